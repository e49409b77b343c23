// English month names for the start, finished and stopped lines, indexed by month number 1 to 12.
#pragma once

extern const char* const MonthNames[13];
