// The start, finished and stopped lines of both programs: a line format filled in with the local time.
#pragma once

#include <cstddef>

// format takes hour, minute, second, day, month name and year, in that order; the line is cut to lineSize.
void TimeLine_Format(char* line, size_t lineSize, const char* format);
