// FileCrc32 and the signature table against the standard CRC-32.
#include <gtest/gtest.h>

#include <set>

#include "crc_forge.h"
#include "event_recorder.h"
#include "fake_platform.h"
#include "signatures.h"

TEST(Crc32, KnownCheckValue) {
  const std::string check = "123456789";
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(check.data());
  EXPECT_EQ(0xCBF43926u, ~Crc32_Update(0xFFFFFFFFu, bytes, check.size()));
  EXPECT_EQ(0xCBF43926u, ~Crc32_UpdateBytewise(0xFFFFFFFFu, bytes, check.size()));
}

TEST(Crc32, SlicedEqualsBytewiseAtEveryLengthAndAlignment) {
  std::string data;
  for (int i = 0; i < 300; ++i) data += static_cast<char>((i * 131 + 7) & 0xFF);
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t length = 0; length + offset <= data.size(); length += 13) {
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data.data()) + offset;
      ASSERT_EQ(Crc32_UpdateBytewise(0x12345678u, bytes, length), Crc32_UpdateSliced(0x12345678u, bytes, length))
          << "offset " << offset << " length " << length;
    }
  }
}

// The folding path against one table step a byte: every length up to a few folds past the 64-byte start, at
// every alignment, from two running values, then the block and size-limit lengths the scan reads.
TEST(Crc32, FoldedEqualsBytewiseAtEveryLengthAndAlignment) {
  if (!Crc32_CanFold()) GTEST_SKIP() << "this processor has no carry-less multiplication";
  std::string data;
  for (int i = 0; i < 41984 + 16; ++i) data += static_cast<char>((i * 2654435761u) >> 24);
  const uint8_t* base = reinterpret_cast<const uint8_t*>(data.data());
  for (uint32_t start : {0xFFFFFFFFu, 0x12345678u}) {
    for (size_t offset = 0; offset < 16; ++offset) {
      for (size_t length = 0; length <= 400; ++length) {
        ASSERT_EQ(Crc32_UpdateBytewise(start, base + offset, length), Crc32_UpdateFolded(start, base + offset, length))
            << "start " << std::hex << start << std::dec << " offset " << offset << " length " << length;
      }
    }
    for (size_t length : {1023u, 8191u, 8192u, 8193u, 41984u}) {
      ASSERT_EQ(Crc32_UpdateBytewise(start, base + 3, length), Crc32_UpdateFolded(start, base + 3, length))
          << "length " << length;
    }
  }
  EXPECT_EQ(0xCBF43926u, ~Crc32_UpdateFolded(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>("123456789"), 9));
}

struct FileCase {
  const char* name;
  size_t size;
};

void PrintTo(const FileCase& fileCase, std::ostream* out) { *out << fileCase.name; }

class FileCrc32Sizes : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileCrc32Sizes, MatchesStandardCrcOfTheWholeFile) {
  StartRecording();
  std::string contents;
  for (size_t i = 0; i < GetParam().size; ++i) contents += static_cast<char>((i * 7 + i / 251) & 0xFF);
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\file.bin", contents);
  uint32_t crc = 0;
  ASSERT_TRUE(FileCrc32("C:\\file.bin", &crc));
  EXPECT_EQ(TestCrc32(contents), crc);
  EXPECT_EQ(0, Fake_OpenHandles());
}

INSTANTIATE_TEST_SUITE_P(Blocks, FileCrc32Sizes,
                         ::testing::Values(FileCase{"OneByte", 1}, FileCase{"OneBlock", 8192},
                                           FileCase{"OneBlockAndOneByte", 8193}, FileCase{"SizeLimit", 41984},
                                           FileCase{"Large", 100000}),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST(FileCrc32, NoChecksumWithoutReadableBytes) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\empty", "");
  Fake_AddFile("C:\\locked", "data");
  Fake_AddFile("C:\\unreadable", "data");
  Fake_Fail("OpenForChecksum", "C:\\locked");
  Fake_Fail("ReadFile", "C:\\unreadable", 1);
  uint32_t crc = 0x5A5A5A5Au;
  EXPECT_FALSE(FileCrc32("C:\\empty", &crc));
  EXPECT_FALSE(FileCrc32("C:\\locked", &crc));
  EXPECT_FALSE(FileCrc32("C:\\unreadable", &crc));
  EXPECT_FALSE(FileCrc32("C:\\missing", &crc));
  EXPECT_EQ(0x5A5A5A5Au, crc);
  EXPECT_EQ(0, Fake_OpenHandles());
}

// A file that fails or changes part-way through its reading has no checksum: never one of a part of it.
struct ChangingFileCase {
  const char* name;
  void (*change)();
};

void PrintTo(const ChangingFileCase& changeCase, std::ostream* out) { *out << changeCase.name; }

class FileCrc32OfAChangingFile : public ::testing::TestWithParam<ChangingFileCase> {};

TEST_P(FileCrc32OfAChangingFile, GivesNoChecksum) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\file.bin", ForgeCrc32(std::string(8192 * 2 + 5, 'q'), 0xB566B395u));
  GetParam().change();
  uint32_t crc = 0x5A5A5A5Au;
  EXPECT_FALSE(FileCrc32("C:\\file.bin", &crc));
  EXPECT_EQ(0x5A5A5A5Au, crc);
  EXPECT_EQ(0, Fake_OpenHandles());
}

INSTANTIATE_TEST_SUITE_P(
    Reads, FileCrc32OfAChangingFile,
    ::testing::Values(ChangingFileCase{"SecondReadFails", [] { Fake_Fail("ReadFile", "C:\\file.bin", 2); }},
                      ChangingFileCase{"LastReadFails", [] { Fake_Fail("ReadFile", "C:\\file.bin", 4); }},
                      ChangingFileCase{"GrowsWhileRead", [] { Fake_GrowOnRead("C:\\file.bin", 3, "more"); }},
                      ChangingFileCase{"SizeCannotBeAsked", [] { Fake_Fail("GetOpenFileInfo", "C:\\file.bin"); }}),
    [](const ::testing::TestParamInfo<ChangingFileCase>& info) { return std::string(info.param.name); });

TEST(FileCrc32, DeviceIsNeverRead) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddDevice("C:\\com1.dat");
  uint32_t crc = 0;
  EXPECT_FALSE(FileCrc32("C:\\com1.dat", &crc));
  EXPECT_EQ(0, Fake_CallCount("ReadFile"));
  EXPECT_EQ(0, Fake_OpenHandles());
}

TEST(FileCrc32, SizeLimitIsAskedOfTheOpenFile) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\big.bin", std::string(41985, 'b'));
  uint32_t crc = 0;
  EXPECT_FALSE(FileCrc32_AtMost("C:\\big.bin", 41984, &crc));
  EXPECT_EQ(0, Fake_CallCount("ReadFile"));
  EXPECT_TRUE(FileCrc32_AtMost("C:\\big.bin", 41985, &crc));
  EXPECT_EQ(TestCrc32(std::string(41985, 'b')), crc);
}

TEST(SignatureTable, TwentyFourDistinctRowsAndTwentyNames) {
  std::set<uint32_t> crcs;
  std::set<std::string> names;
  for (const ThreatSignature& row : SignatureTable) {
    crcs.insert(row.crc);
    names.insert(row.variantName);
  }
  EXPECT_EQ(24u, crcs.size());
  EXPECT_EQ(20u, names.size());
}

TEST(SignatureTable, ForgedFileMatchesOnlyItsRow) {
  StartRecording();
  Fake_AddDrive("C:\\", PLATFORM_DRIVE_FIXED);
  Fake_AddFile("C:\\y.exe", ForgeCrc32("MZ stand-in", 0xB566B395u));
  uint32_t crc = 0;
  ASSERT_TRUE(FileCrc32("C:\\y.exe", &crc));
  const ThreatSignature* match = SignatureTable_Match(crc);
  ASSERT_NE(nullptr, match);
  EXPECT_EQ(&SignatureTable[22], match);
  EXPECT_STREQ("Vexlor.y", match->variantName);
  EXPECT_EQ(nullptr, SignatureTable_Match(0xB566B394u));
}
