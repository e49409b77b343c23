// The JSON reader: recursive descent over the text with a depth limit; \u escapes decoded to UTF-8.
#include "json_reader.h"

#include <cstdlib>
#include <cstring>

namespace {

struct Cursor {
  const std::string& text;
  size_t at;
  int depth;
};

const int MAX_DEPTH = 64;

void SkipSpace(Cursor* cursor) {
  while (cursor->at < cursor->text.size() && std::strchr(" \t\r\n", cursor->text[cursor->at]) != nullptr &&
         cursor->text[cursor->at] != '\0') {
    cursor->at += 1;
  }
}

bool Take(Cursor* cursor, char wanted) {
  SkipSpace(cursor);
  if (cursor->at >= cursor->text.size() || cursor->text[cursor->at] != wanted) return false;
  cursor->at += 1;
  return true;
}

void AppendUtf8(std::string* out, uint32_t point) {
  if (point < 0x80) {
    out->push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (point >> 6)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else if (point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  }
}

bool ReadHex4(Cursor* cursor, uint32_t* unit) {
  if (cursor->at + 4 > cursor->text.size()) return false;
  *unit = 0;
  for (int i = 0; i < 4; ++i) {
    char c = cursor->text[cursor->at++];
    int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                   : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    *unit = (*unit << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

// After "\u": one code point, a surrogate pair joined; an unpaired half becomes U+FFFD.
bool ReadUnicodeEscape(Cursor* cursor, std::string* out) {
  uint32_t unit;
  if (!ReadHex4(cursor, &unit)) return false;
  if (unit >= 0xD800 && unit <= 0xDBFF && cursor->text.compare(cursor->at, 2, "\\u") == 0) {
    size_t back = cursor->at;
    cursor->at += 2;
    uint32_t low;
    if (!ReadHex4(cursor, &low)) return false;
    if (low >= 0xDC00 && low <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      return true;
    }
    cursor->at = back;
  }
  AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit);
  return true;
}

bool ReadEscape(Cursor* cursor, std::string* out) {
  if (cursor->at >= cursor->text.size()) return false;
  char c = cursor->text[cursor->at++];
  const char* from = "\"\\/bfnrt";
  const char* to = "\"\\/\b\f\n\r\t";
  const char* found = c != '\0' ? std::strchr(from, c) : nullptr;
  if (found != nullptr) {
    out->push_back(to[found - from]);
    return true;
  }
  return c == 'u' && ReadUnicodeEscape(cursor, out);
}

bool ReadString(Cursor* cursor, std::string* out) {
  if (!Take(cursor, '"')) return false;
  while (cursor->at < cursor->text.size()) {
    unsigned char c = static_cast<unsigned char>(cursor->text[cursor->at++]);
    if (c == '"') return true;
    if (c < 0x20) return false;
    if (c != '\\') {
      out->push_back(static_cast<char>(c));
    } else if (!ReadEscape(cursor, out)) {
      return false;
    }
  }
  return false;
}

bool ReadNumber(Cursor* cursor, JsonValue* value) {
  size_t start = cursor->at;
  while (cursor->at < cursor->text.size() && std::strchr("+-0123456789.eE", cursor->text[cursor->at]) != nullptr &&
         cursor->text[cursor->at] != '\0') {
    cursor->at += 1;
  }
  if (cursor->at == start) return false;
  value->type = JSON_NUMBER;
  value->text = cursor->text.substr(start, cursor->at - start);
  char* end = nullptr;
  std::strtod(value->text.c_str(), &end);
  return end != nullptr && *end == '\0';
}

bool ReadWord(Cursor* cursor, const char* word) {
  size_t length = std::strlen(word);
  if (cursor->text.compare(cursor->at, length, word) != 0) return false;
  cursor->at += length;
  return true;
}

bool ReadValue(Cursor* cursor, JsonValue* value);

bool ReadArray(Cursor* cursor, JsonValue* value) {
  value->type = JSON_ARRAY;
  if (Take(cursor, ']')) return true;
  do {
    value->items.emplace_back();
    if (!ReadValue(cursor, &value->items.back())) return false;
  } while (Take(cursor, ','));
  return Take(cursor, ']');
}

bool ReadObject(Cursor* cursor, JsonValue* value) {
  value->type = JSON_OBJECT;
  if (Take(cursor, '}')) return true;
  do {
    value->keys.emplace_back();
    value->items.emplace_back();
    if (!ReadString(cursor, &value->keys.back()) || !Take(cursor, ':')) return false;
    if (!ReadValue(cursor, &value->items.back())) return false;
  } while (Take(cursor, ','));
  return Take(cursor, '}');
}

bool ReadValue(Cursor* cursor, JsonValue* value) {
  SkipSpace(cursor);
  if (cursor->at >= cursor->text.size() || cursor->depth >= MAX_DEPTH) return false;
  char c = cursor->text[cursor->at];
  if (c == '"') {
    value->type = JSON_STRING;
    return ReadString(cursor, &value->text);
  }
  if (c == '{' || c == '[') {
    cursor->at += 1;
    cursor->depth += 1;
    bool ok = c == '{' ? ReadObject(cursor, value) : ReadArray(cursor, value);
    cursor->depth -= 1;
    return ok;
  }
  if (ReadWord(cursor, "true") || ReadWord(cursor, "false")) {
    value->type = JSON_BOOL;
    value->boolean = c == 't';
    return true;
  }
  if (ReadWord(cursor, "null")) return true;
  return ReadNumber(cursor, value);
}

}  // namespace

bool Json_Parse(const std::string& text, JsonValue* value) {
  *value = JsonValue();
  Cursor cursor = {text, 0, 0};
  if (!ReadValue(&cursor, value)) return false;
  SkipSpace(&cursor);
  return cursor.at == text.size();
}

const JsonValue* Json_Find(const JsonValue& object, const char* name) {
  if (object.type != JSON_OBJECT) return nullptr;
  for (size_t i = 0; i < object.keys.size(); ++i) {
    if (object.keys[i] == name) return &object.items[i];
  }
  return nullptr;
}

std::string Json_FindText(const JsonValue& object, const char* name) {
  const JsonValue* member = Json_Find(object, name);
  return member != nullptr && member->type == JSON_STRING ? member->text : std::string();
}

uint64_t Json_FindUnsigned(const JsonValue& object, const char* name) {
  const JsonValue* member = Json_Find(object, name);
  if (member == nullptr || member->type != JSON_NUMBER || member->text[0] == '-') return 0;
  return std::strtoull(member->text.c_str(), nullptr, 10);
}

bool Json_FindTrue(const JsonValue& object, const char* name) {
  const JsonValue* member = Json_Find(object, name);
  return member != nullptr && member->type == JSON_BOOL && member->boolean;
}

static int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Json_FindPath(const JsonValue& object, const char* name) {
  std::string hex = Json_FindText(object, (std::string(name) + "_hex").c_str());
  if (hex.empty()) return Json_FindText(object, name);
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::string();
    bytes.push_back(static_cast<char>((high << 4) | low));
  }
  return bytes;
}
