// Time lines from the local time, with the English month name.
#include "time_line.h"

#include <windows.h>

#include <cstdio>

#include "month_names.h"

void TimeLine_Format(char* line, size_t lineSize, const char* format) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const char* month = (now.wMonth >= 1 && now.wMonth <= 12) ? MonthNames[now.wMonth] : "";
  snprintf(line, lineSize, format, now.wHour, now.wMinute, now.wSecond, now.wDay, month, now.wYear);
}
