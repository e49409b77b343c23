// Bounded string operations that take the destination's size; false means the result did not fit.
#pragma once

#include <cstddef>

// On false the destination is left empty rather than holding a cut-off path.
bool Text_Copy(char* destination, size_t size, const char* source);
bool Text_Append(char* destination, size_t size, const char* source);

// directory + "\" + name, without doubling a trailing backslash of directory.
bool Text_JoinPath(char* destination, size_t size, const char* directory, const char* name);

bool Text_EndsWithBackslash(const char* text);
// ASCII comparison without regard to case.
bool Text_EqualNoCase(const char* a, const char* b);
