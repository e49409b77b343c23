// Reading the quarantine's manifests and the fleet's reports, which any machine may have written: nlohmann-json
// parses them (a parser made for hostile input); these calls take what the programs need out of the tree.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

typedef nlohmann::json JsonValue;

// False unless the whole text is one JSON value in UTF-8 (surrounding white space allowed), nested at most 64
// deep. Never throws.
bool Json_Parse(const std::string& text, JsonValue* value);

// Members of an object; null, "", 0 or false when missing or of another type.
const JsonValue* Json_Find(const JsonValue& object, const char* name);
std::string Json_FindText(const JsonValue& object, const char* name);
uint64_t Json_FindUnsigned(const JsonValue& object, const char* name);
bool Json_FindTrue(const JsonValue& object, const char* name);
// A path written by Json_MemberPath: the exact bytes of "name_hex" when present, else the text of "name".
std::string Json_FindPath(const JsonValue& object, const char* name);
