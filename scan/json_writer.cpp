// The JSON writer: string escaping with a strict UTF-8 decoder, object members with their commas.
#include "json_writer.h"

#include <cstdio>

static const uint32_t REPLACEMENT_CHARACTER = 0xFFFD;

// Decodes one well-formed UTF-8 sequence at text[*at]; false (and *at past one byte) when there is none.
static bool DecodeUtf8(const std::string& text, size_t* at, uint32_t* point) {
  unsigned char lead = static_cast<unsigned char>(text[*at]);
  size_t length = lead < 0x80 ? 1 : (lead >= 0xC2 && lead <= 0xDF) ? 2 : (lead >= 0xE0 && lead <= 0xEF) ? 3
                                  : (lead >= 0xF0 && lead <= 0xF4)   ? 4 : 0;
  if (length == 0 || *at + length > text.size()) {
    *at += 1;
    return false;
  }
  uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    unsigned char next = static_cast<unsigned char>(text[*at + i]);
    if ((next & 0xC0) != 0x80) {
      *at += 1;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  bool shortest = length < 3 || (length == 3 && value >= 0x800) || (length == 4 && value >= 0x10000);
  if (!shortest || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
    *at += 1;
    return false;
  }
  *at += length;
  *point = value;
  return true;
}

static void AppendUnit(std::string* out, uint32_t unit) {
  char escape[16];
  std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
  out->append(escape);
}

static void AppendPoint(std::string* out, uint32_t point) {
  switch (point) {
    case '"': out->append("\\\""); return;
    case '\\': out->append("\\\\"); return;
    case '\n': out->append("\\n"); return;
    case '\r': out->append("\\r"); return;
    case '\t': out->append("\\t"); return;
    default: break;
  }
  if (point >= 0x20 && point < 0x7F) {
    out->push_back(static_cast<char>(point));
  } else if (point < 0x10000) {
    AppendUnit(out, point);
  } else {
    point -= 0x10000;
    AppendUnit(out, 0xD800 + (point >> 10));
    AppendUnit(out, 0xDC00 + (point & 0x3FF));
  }
}

void Json_AppendString(std::string* out, const std::string& text) {
  out->push_back('"');
  size_t at = 0;
  while (at < text.size()) {
    uint32_t point = 0;
    AppendPoint(out, DecodeUtf8(text, &at, &point) ? point : REPLACEMENT_CHARACTER);
  }
  out->push_back('"');
}

bool Json_IsUtf8(const std::string& text) {
  size_t at = 0;
  uint32_t point = 0;
  while (at < text.size()) {
    if (!DecodeUtf8(text, &at, &point)) return false;
  }
  return true;
}

std::string Json_Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex.push_back(digits[byte >> 4]);
    hex.push_back(digits[byte & 0xF]);
  }
  return hex;
}

JsonObject Json_BeginObject(std::string* out) {
  out->push_back('{');
  return JsonObject{out, true};
}

void Json_EndObject(JsonObject* object) { object->out->push_back('}'); }

void Json_Key(JsonObject* object, const char* name) {
  if (!object->first) object->out->push_back(',');
  object->first = false;
  Json_AppendString(object->out, name);
  object->out->push_back(':');
}

void Json_MemberString(JsonObject* object, const char* name, const std::string& value) {
  Json_Key(object, name);
  Json_AppendString(object->out, value);
}

void Json_MemberNumber(JsonObject* object, const char* name, uint64_t value) {
  Json_Key(object, name);
  object->out->append(std::to_string(value));
}

void Json_MemberBool(JsonObject* object, const char* name, bool value) {
  Json_Key(object, name);
  object->out->append(value ? "true" : "false");
}

void Json_MemberNull(JsonObject* object, const char* name) {
  Json_Key(object, name);
  object->out->append("null");
}

void Json_MemberPath(JsonObject* object, const char* name, const std::string& path) {
  Json_MemberString(object, name, path);
  if (!Json_IsUtf8(path)) Json_MemberString(object, (std::string(name) + "_hex").c_str(), Json_Hex(path));
}
