// The report's JSON writer and reader against hostile names: every output parses, with nlohmann-json as a
// second, independent parser, and the reader gives back exactly what was written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "json_reader.h"
#include "json_writer.h"
#include "quarantine_manifest.h"

namespace {

struct NameCase {
  const char* name;
  std::string bytes;
  std::string decoded;  // what a JSON parser reads back, in UTF-8
  bool utf8;
};

void PrintTo(const NameCase& nameCase, std::ostream* out) { *out << nameCase.name; }

const std::string FFFD = "\xEF\xBF\xBD";

const NameCase NAME_CASES[] = {
    {"Quotes", "C:\\a \"quoted\" name", "C:\\a \"quoted\" name", true},
    {"BackslashesBeforeAQuote", "C:\\dir\\\\\"", "C:\\dir\\\\\"", true},
    {"ControlCharacters", std::string("a\x01\x1f\x7f\n\r\tb\bc\f", 12), std::string("a\x01\x1f\x7f\n\r\tb\bc\f", 12), true},
    {"EmbeddedNul", std::string("a\0b", 3), std::string("a\0b", 3), true},
    {"Utf8Letters", "caf\xC3\xA9 \xD0\x96 \xE4\xB8\xAD", "caf\xC3\xA9 \xD0\x96 \xE4\xB8\xAD", true},
    {"Utf8AboveTheBasicPlane", "\xF0\x9F\x98\x80.exe", "\xF0\x9F\x98\x80.exe", true},
    {"AnsiByteOutsideUtf8", "caf\xE9.exe", "caf" + FFFD + ".exe", false},
    {"CutSequence", "end\xC3", "end" + FFFD, false},
    {"OverlongSlash", "\xC0\xAF", FFFD + FFFD, false},
    {"UnpairedHighSurrogateHalf", "a\xED\xA0\x80z", "a" + FFFD + FFFD + FFFD + "z", false},
    {"UnpairedLowSurrogateHalf", "\xED\xB0\x80", FFFD + FFFD + FFFD, false},
    {"AboveU10FFFF", "\xF4\x90\x80\x80", FFFD + FFFD + FFFD + FFFD, false},
    {"LoneContinuationBytes", "\x80\xBF", FFFD + FFFD, false},
};

class HostileNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(HostileNames, WrittenStringParsesEverywhereAndReadsBack) {
  const NameCase& nameCase = GetParam();
  std::string out;
  Json_AppendString(&out, nameCase.bytes);

  for (unsigned char c : out) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "not printable ASCII: " << int(c);
  nlohmann::json parsed = nlohmann::json::parse(out);
  EXPECT_EQ(nameCase.decoded, parsed.get<std::string>());
  JsonValue ours;
  ASSERT_TRUE(Json_Parse(out, &ours));
  ASSERT_TRUE(ours.is_string());
  EXPECT_EQ(nameCase.decoded, ours.get<std::string>());
  EXPECT_EQ(nameCase.utf8, Json_IsUtf8(nameCase.bytes));
}

// A path keeps its exact bytes through a manifest, whatever they are.
TEST_P(HostileNames, ManifestPathSurvivesByteForByte) {
  QuarantineItem item;
  item.id = "20261210-142541-01";
  item.originalPath = "D:\\" + GetParam().bytes;
  item.sha256 = std::string(64, 'a');
  std::string text = QuarantineManifest_Build(item);

  EXPECT_NO_THROW(nlohmann::json::parse(text));
  QuarantineItem back;
  ASSERT_TRUE(QuarantineManifest_Parse(text, &back));
  EXPECT_EQ(item.originalPath, back.originalPath);
}

INSTANTIATE_TEST_SUITE_P(Json, HostileNames, ::testing::ValuesIn(NAME_CASES),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(JsonReader, FindsMembersByNameAndType) {
  JsonValue value;
  ASSERT_TRUE(Json_Parse("{\"n\": 7, \"minus\": -3, \"half\": 2.5, \"yes\": true, \"no\": false, "
                         "\"text\": \"\\ud83d\\ude00\\\\\\\"/\", \"list\": [1], \"none\": null}", &value));
  EXPECT_EQ(7u, Json_FindUnsigned(value, "n"));
  EXPECT_EQ(0u, Json_FindUnsigned(value, "minus"));
  EXPECT_EQ(0u, Json_FindUnsigned(value, "half"));
  EXPECT_EQ(0u, Json_FindUnsigned(value, "text"));
  EXPECT_TRUE(Json_FindTrue(value, "yes"));
  EXPECT_FALSE(Json_FindTrue(value, "no"));
  EXPECT_FALSE(Json_FindTrue(value, "n"));
  EXPECT_EQ("\xF0\x9F\x98\x80\\\"/", Json_FindText(value, "text"));
  EXPECT_EQ("", Json_FindText(value, "list"));
  EXPECT_EQ("", Json_FindText(value, "missing"));
  EXPECT_NE(nullptr, Json_Find(value, "none"));
  EXPECT_EQ(nullptr, Json_Find(value, "missing"));
  EXPECT_EQ(nullptr, Json_Find(*Json_Find(value, "list"), "n")) << "an array has no members";
}

TEST(JsonReader, RefusesWhatIsNotOneJsonValue) {
  const std::string bad[] = {"",           "{",           "[1,]",          "{\"a\":1,}",   "{\"a\" 1}",
                             "\"open",     "\"a\x01\"",    "[1] [2]",       "tru",          "{\"a\":1}x",
                             "\"\\x41\"",  "\"\\u12\"",    "[-]",           "{1:2}",        std::string(65, '[') +
                                                                                               std::string(65, ']')};
  for (const std::string& text : bad) {
    JsonValue value;
    EXPECT_FALSE(Json_Parse(text, &value)) << text;
  }
  JsonValue deep;
  EXPECT_TRUE(Json_Parse(std::string(64, '[') + std::string(64, ']'), &deep));
}

// The writer never escapes half a surrogate pair; a text that does was not written by the programs.
TEST(JsonReader, RefusesAnUnpairedEscapedHalf) {
  JsonValue value;
  EXPECT_FALSE(Json_Parse("\"\\ud800x\\udc00\"", &value));
  EXPECT_FALSE(Json_Parse("\"\xC3\"", &value)) << "raw bytes that are not UTF-8";
}

TEST(QuarantineManifest, RefusesOtherSchemasAndMissingFields) {
  QuarantineItem item;
  EXPECT_FALSE(QuarantineManifest_Parse("{\"schema\":\"purgewell-scan-report\",\"schema_version\":1}", &item));
  EXPECT_FALSE(QuarantineManifest_Parse(
      "{\"schema\":\"purgewell-quarantine-item\",\"schema_version\":2,\"id\":\"1\",\"original_path\":\"C:\\\\x\","
      "\"sha256\":\"" + std::string(64, 'a') + "\"}", &item));
  EXPECT_FALSE(QuarantineManifest_Parse(
      "{\"schema\":\"purgewell-quarantine-item\",\"schema_version\":1,\"id\":\"1\",\"sha256\":\"" +
      std::string(64, 'a') + "\"}", &item));
}

}  // namespace
