// The clock the reporters read: local time for the time lines and a millisecond tick for the progress refresh.
// It travels in the reporters' state, so tests pass a fixed one.
#pragma once

#include <cstdint>

// A moment of local time as the time lines show it.
struct RunTime {
  int hour;
  int minute;
  int second;
  int day;
  int month;  // 1 to 12
  int year;
};

struct RunClock {
  RunTime (*localTime)();
  uint32_t (*ticks)();  // milliseconds, wrapping
};

// The system's clock (GetLocalTime, GetTickCount).
extern const RunClock SystemClock;
