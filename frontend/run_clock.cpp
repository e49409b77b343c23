// The system's clock for the reporters.
#include "run_clock.h"

#include <windows.h>

static RunTime SystemLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return RunTime{now.wHour, now.wMinute, now.wSecond, now.wDay, now.wMonth, now.wYear};
}

static uint32_t SystemTicks() { return GetTickCount(); }

const RunClock SystemClock = {SystemLocalTime, SystemTicks};
