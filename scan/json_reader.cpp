// The JSON reader over nlohmann-json: parsing without exceptions, a depth limit, and typed member lookups.
#include "json_reader.h"

enum { MAX_DEPTH = 64 };

bool Json_Parse(const std::string& text, JsonValue* value) {
  bool tooDeep = false;
  // The callback sees each object and array as it opens, at its depth (0 for the outermost).
  auto limitDepth = [&tooDeep](int depth, JsonValue::parse_event_t event, JsonValue&) {
    bool opens = event == JsonValue::parse_event_t::object_start || event == JsonValue::parse_event_t::array_start;
    if (opens && depth >= MAX_DEPTH) tooDeep = true;
    return !tooDeep;
  };
  *value = JsonValue::parse(text, limitDepth, false);
  if (tooDeep || value->is_discarded()) {
    *value = JsonValue();
    return false;
  }
  return true;
}

const JsonValue* Json_Find(const JsonValue& object, const char* name) {
  if (!object.is_object()) return nullptr;
  auto member = object.find(name);
  return member == object.end() ? nullptr : &*member;
}

std::string Json_FindText(const JsonValue& object, const char* name) {
  const JsonValue* member = Json_Find(object, name);
  return member != nullptr && member->is_string() ? member->get_ref<const std::string&>() : std::string();
}

uint64_t Json_FindUnsigned(const JsonValue& object, const char* name) {
  const JsonValue* member = Json_Find(object, name);
  return member != nullptr && member->is_number_unsigned() ? member->get<uint64_t>() : 0;
}

bool Json_FindTrue(const JsonValue& object, const char* name) {
  const JsonValue* member = Json_Find(object, name);
  return member != nullptr && member->is_boolean() && member->get<bool>();
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
