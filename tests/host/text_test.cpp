// The UTF-16 <-> UTF-8 conversions of the engine's paths: exact bytes, every listed name back unchanged, bounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text.h"

namespace {

typedef std::vector<uint16_t> Wide;

struct ConversionCase {
  const char* name;
  Wide wide;  // without the terminator
  std::string utf8;
};

void PrintTo(const ConversionCase& conversionCase, std::ostream* out) { *out << conversionCase.name; }

class TextConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(TextConversion, GivesTheseBytesAndBackTheSameUnits) {
  Wide wide = GetParam().wide;
  wide.push_back(0);
  const std::string& utf8 = GetParam().utf8;
  ASSERT_EQ(utf8.size(), Text_Utf8LengthOf(wide.data()));
  std::vector<char> text(utf8.size() + 1, 'x');
  ASSERT_TRUE(Text_FromUtf16(text.data(), text.size(), wide.data()));
  EXPECT_EQ(utf8, std::string(text.data()));

  ASSERT_EQ(wide.size() - 1, Text_Utf16LengthOf(utf8.c_str()));
  Wide back(wide.size(), 0xFFFF);
  ASSERT_TRUE(Text_ToUtf16(back.data(), back.size(), utf8.c_str()));
  EXPECT_EQ(wide, back);
}

const ConversionCase CONVERSION_CASES[] = {
    {"Ascii", {'C', ':', '\\', 'a'}, "C:\\a"},
    {"Latin", {0x00E9, 't', 0x00E9}, "\xC3\xA9t\xC3\xA9"},
    {"Cyrillic", {0x0444, 0x0430, 0x0439, 0x043B}, "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB"},
    {"Cjk", {0x6587, 0x4EF6}, "\xE6\x96\x87\xE4\xBB\xB6"},
    {"SurrogatePair", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
    // NTFS names are any 16-bit units: a lone surrogate keeps its own three-byte form.
    {"LoneHighSurrogate", {'a', 0xD800, 'b'}, "a\xED\xA0\x80" "b"},
    {"LoneLowSurrogate", {0xDC01}, "\xED\xB0\x81"},
    {"LowThenHigh", {0xDC00, 0xD800}, "\xED\xB0\x80\xED\xA0\x80"},
};

INSTANTIATE_TEST_SUITE_P(Text, TextConversion, ::testing::ValuesIn(CONVERSION_CASES),
                         [](const ::testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

TEST(TextConversion, BytesThatAreNotUtf8BecomeOneReplacementEach) {
  // A stray continuation byte, a cut sequence, an overlong slash, a point past U+10FFFF.
  const char* text = "\x80" "a\xE6\x96" "b\xC0\xAF\xF4\x90\x80\x80";
  Wide wide(16, 0);
  ASSERT_TRUE(Text_ToUtf16(wide.data(), wide.size(), text));
  Wide expected = {0xFFFD, 'a', 0xFFFD, 0xFFFD, 'b', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0};
  wide.resize(expected.size());
  EXPECT_EQ(expected, wide);
}

TEST(TextConversion, ResultThatDoesNotFitLeavesTheDestinationEmpty) {
  const uint16_t wide[] = {0x6587, 0x4EF6, 0};  // six bytes as UTF-8
  char text[6] = "xxxxx";
  EXPECT_FALSE(Text_FromUtf16(text, sizeof text, wide));
  EXPECT_STREQ("", text);
  char fits[7];
  EXPECT_TRUE(Text_FromUtf16(fits, sizeof fits, wide));

  uint16_t units[2] = {'x', 'x'};
  EXPECT_FALSE(Text_ToUtf16(units, 2, "\xF0\x9F\x98\x80"));  // two units and the terminator
  EXPECT_EQ(0, units[0]);
}

// The long form: drive paths and shares get their prefix, every other path is passed on as it stands.
TEST(TextConversion, LongPathForm) {
  const char* const cases[][2] = {
      {"C:\\x\\caf\xC3\xA9.exe", "\\\\?\\C:\\x\\caf\xC3\xA9.exe"},
      {"\\\\server\\share\\f", "\\\\?\\UNC\\server\\share\\f"},
      {"\\\\?\\C:\\x", "\\\\?\\C:\\x"},
      {"\\\\.\\pipe\\p", "\\\\.\\pipe\\p"},
      {"report.json", "report.json"},
  };
  for (const auto& pair : cases) {
    size_t units = Text_LongPathLengthOf(pair[0]);
    std::vector<uint16_t> wide(units + 1, 'x');
    ASSERT_TRUE(Text_ToLongPath(wide.data(), wide.size(), pair[0])) << pair[0];
    std::vector<uint16_t> expected(Text_Utf16LengthOf(pair[1]) + 1);
    Text_ToUtf16(expected.data(), expected.size(), pair[1]);
    EXPECT_EQ(expected, wide) << pair[0];
    EXPECT_FALSE(Text_ToLongPath(wide.data(), units, pair[0])) << "one unit short";
    EXPECT_EQ(0, wide[0]);
  }
}

}  // namespace
