// A small JSON writer: values appended to a std::string, strings escaped so that any byte string gives valid JSON.
#pragma once

#include <cstdint>
#include <string>

// Appends text as a JSON string. The output is plain ASCII: '"', '\\' and control characters are escaped, and
// every other character outside ASCII is written as \uXXXX (a surrogate pair above U+FFFF). The bytes are read as
// UTF-8; a byte that does not belong to a well-formed UTF-8 sequence (overlong forms, encoded UTF-16 halves and
// values above U+10FFFF included) is written as U+FFFD.
void Json_AppendString(std::string* out, const std::string& text);
// True when text is well-formed UTF-8 by the rule above (then Json_AppendString loses nothing).
bool Json_IsUtf8(const std::string& text);
// Lower-case hexadecimal of every byte.
std::string Json_Hex(const std::string& bytes);

// Object members: the comma before each member after the first is written by these.
struct JsonObject {
  std::string* out;
  bool first;
};
JsonObject Json_BeginObject(std::string* out);
void Json_EndObject(JsonObject* object);
// Writes the member's name; the caller appends its value next.
void Json_Key(JsonObject* object, const char* name);
void Json_MemberString(JsonObject* object, const char* name, const std::string& value);
void Json_MemberNumber(JsonObject* object, const char* name, uint64_t value);
void Json_MemberBool(JsonObject* object, const char* name, bool value);
void Json_MemberNull(JsonObject* object, const char* name);
// A path: "name" holds its text; when the bytes are not UTF-8, "name_hex" holds them exactly.
void Json_MemberPath(JsonObject* object, const char* name, const std::string& path);
