// Bounded copies and joins for the engine's path buffers, and the UTF-8 <-> UTF-16 conversions of its paths.
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

static bool IsHighSurrogate(uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
static bool IsLowSurrogate(uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point at wide (a lone surrogate stands for itself) and how many units it takes.
static uint32_t NextCodePoint(const uint16_t* wide, size_t* units) {
  if (IsHighSurrogate(wide[0]) && IsLowSurrogate(wide[1])) {
    *units = 2;
    return 0x10000u + ((static_cast<uint32_t>(wide[0]) - 0xD800u) << 10) + (wide[1] - 0xDC00u);
  }
  *units = 1;
  return wide[0];
}

static size_t Utf8Bytes(uint32_t point) { return point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4; }

size_t Text_Utf8LengthOf(const uint16_t* wide) {
  size_t length = 0;
  size_t units = 0;
  for (; *wide != 0; wide += units) length += Utf8Bytes(NextCodePoint(wide, &units));
  return length;
}

static char* PutUtf8(char* out, uint32_t point) {
  size_t bytes = Utf8Bytes(point);
  static const uint8_t LEAD[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
  for (size_t i = bytes - 1; i > 0; --i) {
    out[i] = static_cast<char>(0x80 | (point & 0x3F));
    point >>= 6;
  }
  out[0] = static_cast<char>(LEAD[bytes] | point);
  return out + bytes;
}

bool Text_FromUtf16(char* destination, size_t size, const uint16_t* wide) {
  if (size == 0) return false;
  if (Text_Utf8LengthOf(wide) >= size) {
    destination[0] = '\0';
    return false;
  }
  char* out = destination;
  size_t units = 0;
  for (; *wide != 0; wide += units) out = PutUtf8(out, NextCodePoint(wide, &units));
  *out = '\0';
  return true;
}

// The code point at text and how many bytes it takes; a byte that starts no valid sequence is U+FFFD alone.
static uint32_t DecodeUtf8(const char* text, size_t* bytes) {
  const uint8_t* in = reinterpret_cast<const uint8_t*>(text);
  size_t count = in[0] < 0x80 ? 1 : (in[0] & 0xE0) == 0xC0 ? 2 : (in[0] & 0xF0) == 0xE0 ? 3 : (in[0] & 0xF8) == 0xF0 ? 4 : 0;
  *bytes = 1;
  if (count == 0) return 0xFFFD;
  uint32_t point = count == 1 ? in[0] : in[0] & (0x7F >> count);
  for (size_t i = 1; i < count; ++i) {
    if ((in[i] & 0xC0) != 0x80) return 0xFFFD;
    point = (point << 6) | (in[i] & 0x3F);
  }
  // Overlong forms and points past U+10FFFF are not UTF-8.
  if (Utf8Bytes(point) != count || point > 0x10FFFF) return 0xFFFD;
  *bytes = count;
  return point;
}

size_t Text_Utf16LengthOf(const char* text) {
  size_t length = 0;
  size_t bytes = 0;
  for (; *text != '\0'; text += bytes) length += DecodeUtf8(text, &bytes) >= 0x10000 ? 2 : 1;
  return length;
}

bool Text_ToUtf16(uint16_t* destination, size_t size, const char* text) {
  if (size == 0) return false;
  if (Text_Utf16LengthOf(text) >= size) {
    destination[0] = 0;
    return false;
  }
  uint16_t* out = destination;
  size_t bytes = 0;
  for (; *text != '\0'; text += bytes) {
    uint32_t point = DecodeUtf8(text, &bytes);
    if (point >= 0x10000) {
      *out++ = static_cast<uint16_t>(0xD800 + ((point - 0x10000) >> 10));
      *out++ = static_cast<uint16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      *out++ = static_cast<uint16_t>(point);
    }
  }
  *out = 0;
  return true;
}

// The prefix a path takes in its long form, and where the rest of the path starts.
static const char* LongPathPrefix(const char* path, const char** rest) {
  *rest = path;
  if (path[0] != '\0' && path[1] == ':' && path[2] == '\\') return "\\\\?\\";
  bool share = path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.' && path[2] != '\0';
  if (!share) return "";
  *rest = path + 1;
  return "\\\\?\\UNC";
}

size_t Text_LongPathLengthOf(const char* path) {
  const char* rest;
  const char* prefix = LongPathPrefix(path, &rest);
  return std::strlen(prefix) + Text_Utf16LengthOf(rest);
}

bool Text_ToLongPath(uint16_t* destination, size_t size, const char* path) {
  const char* rest;
  const char* prefix = LongPathPrefix(path, &rest);
  size_t prefixLength = std::strlen(prefix);
  if (size <= prefixLength) {
    if (size != 0) destination[0] = 0;
    return false;
  }
  for (size_t i = 0; i < prefixLength; ++i) destination[i] = static_cast<uint16_t>(prefix[i]);
  if (Text_ToUtf16(destination + prefixLength, size - prefixLength, rest)) return true;
  destination[0] = 0;
  return false;
}
