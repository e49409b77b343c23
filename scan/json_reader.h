// A small JSON reader for the quarantine manifests and the roll-up of reports: a whole text into a tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum { JSON_NULL, JSON_BOOL, JSON_NUMBER, JSON_STRING, JSON_ARRAY, JSON_OBJECT };

struct JsonValue {
  int type = JSON_NULL;
  bool boolean = false;
  std::string text;               // a string's UTF-8 bytes, or a number as written
  std::vector<JsonValue> items;   // an array's elements, or an object's member values
  std::vector<std::string> keys;  // an object's member names, one per item
};

// False unless the whole text is one JSON value (surrounding white space allowed), nested at most 64 deep.
bool Json_Parse(const std::string& text, JsonValue* value);

// Members of an object; null, "", 0 or false when missing or of another type.
const JsonValue* Json_Find(const JsonValue& object, const char* name);
std::string Json_FindText(const JsonValue& object, const char* name);
uint64_t Json_FindUnsigned(const JsonValue& object, const char* name);
bool Json_FindTrue(const JsonValue& object, const char* name);
// A path written by Json_MemberPath: the exact bytes of "name_hex" when present, else the text of "name".
std::string Json_FindPath(const JsonValue& object, const char* name);
