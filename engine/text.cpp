// Bounded copies and joins for the engine's fixed path buffers.
#include "text.h"

#include <cstring>

bool Text_Copy(char* destination, size_t size, const char* source) {
  if (size == 0) return false;
  size_t length = std::strlen(source);
  if (length >= size) {
    destination[0] = '\0';
    return false;
  }
  std::memcpy(destination, source, length + 1);
  return true;
}

bool Text_Append(char* destination, size_t size, const char* source) {
  size_t used = strnlen(destination, size);
  if (used >= size) return false;
  size_t length = std::strlen(source);
  if (used + length >= size) {
    destination[0] = '\0';
    return false;
  }
  std::memcpy(destination + used, source, length + 1);
  return true;
}

bool Text_EndsWithBackslash(const char* text) {
  size_t length = std::strlen(text);
  return length > 0 && text[length - 1] == '\\';
}

bool Text_JoinPath(char* destination, size_t size, const char* directory, const char* name) {
  if (!Text_Copy(destination, size, directory)) return false;
  if (!Text_EndsWithBackslash(directory) && !Text_Append(destination, size, "\\")) return false;
  return Text_Append(destination, size, name);
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Text_EqualNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
    if (*a == '\0') return true;
  }
}
