// Bounded string operations that take the destination's size; false means the result did not fit.
#pragma once

#include <cstddef>
#include <cstdint>

// On false the destination is left empty rather than holding a cut-off path.
bool Text_Copy(char* destination, size_t size, const char* source);
bool Text_Append(char* destination, size_t size, const char* source);

// directory + "\" + name, without doubling a trailing backslash of directory.
bool Text_JoinPath(char* destination, size_t size, const char* directory, const char* name);

bool Text_EndsWithBackslash(const char* text);
// ASCII comparison without regard to case.
bool Text_EqualNoCase(const char* a, const char* b);

// UTF-16 <-> UTF-8 for the engine's paths, which are UTF-8. A lone surrogate (NTFS names may hold one) is kept
// in the three-byte form of its code unit, so every name the platform lists converts back to itself.
// Sizes count destination units, terminator included; on false the destination is left empty.
size_t Text_Utf8LengthOf(const uint16_t* wide);
bool Text_FromUtf16(char* destination, size_t size, const uint16_t* wide);
// Bytes that are not UTF-8 become U+FFFD each.
size_t Text_Utf16LengthOf(const char* text);
bool Text_ToUtf16(uint16_t* destination, size_t size, const char* text);
// A path as the wide calls take it as it stands: "\\?\" before a drive path ("C:\..."), "\\?\UNC\" in place
// of a share's leading "\\", any other path unchanged. In that form Windows maps no name to a device, keeps
// names ending in a dot or a space, and allows paths past MAX_PATH. The length excludes the terminator.
size_t Text_LongPathLengthOf(const char* path);
bool Text_ToLongPath(uint16_t* destination, size_t size, const char* path);
