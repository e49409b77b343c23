// The engine on the real Win32 API under Wine: checksums of real files, a real walk, real deletions.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "crc_forge.h"
#include "finding_list.h"
#include "platform.h"
#include "scan_events.h"
#include "scan_recorder.h"
#include "signatures.h"
#include "system_library.h"
#include "walker.h"

namespace {

// Each test works in a folder of its own on the scratch drive D:, since ctest may run them at once.
std::string ScratchFolder(const char* name) {
  std::string folder = std::string("D:\\") + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteFileBytes(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << "CreateFileA(" << path << ") failed, error " << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(bytes.size(), written);
  CloseHandle(file);
  if (attributes != FILE_ATTRIBUTE_NORMAL) SetFileAttributesA(path.c_str(), attributes);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Pattern(size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes += static_cast<char>((i * 31 + i / 97) & 0xFF);
  return bytes;
}

struct SizeCase {
  const char* name;
  size_t size;
};

void PrintTo(const SizeCase& sizeCase, std::ostream* out) { *out << sizeCase.name; }

class RealFileCrc32 : public ::testing::TestWithParam<SizeCase> {};

TEST_P(RealFileCrc32, IsTheStandardCrcOfTheFile) {
  std::string path = ScratchFolder("crc") + "\\" + GetParam().name + ".bin";
  std::string bytes = Pattern(GetParam().size);
  WriteFileBytes(path, bytes);
  uint32_t crc = 0;
  ASSERT_TRUE(FileCrc32(path.c_str(), &crc));
  EXPECT_EQ(TestCrc32(bytes), crc) << "got 0x" << std::hex << crc << ", expected 0x" << TestCrc32(bytes);
  DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Sizes, RealFileCrc32,
                         ::testing::Values(SizeCase{"OneBlock", 8192}, SizeCase{"OneBlockAndOneByte", 8193},
                                           SizeCase{"SizeLimit", 41984}),
                         [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(RealFileCrc32, EmptyFileHasNoChecksum) {
  std::string path = ScratchFolder("crc-empty") + "\\empty.bin";
  WriteFileBytes(path, "");
  uint32_t crc = 0;
  EXPECT_FALSE(FileCrc32(path.c_str(), &crc));
  DeleteFileA(path.c_str());
}

TEST(RealFileCrc32, FileHeldOpenForWritingWithoutReadSharingCannotBeChecksummed) {
  std::string path = ScratchFolder("crc-locked") + "\\locked.bin";
  WriteFileBytes(path, "some bytes");
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer) << "error " << GetLastError();
  uint32_t crc = 0;
  EXPECT_FALSE(FileCrc32(path.c_str(), &crc));
  CloseHandle(writer);
  EXPECT_TRUE(FileCrc32(path.c_str(), &crc)) << "readable again once the writer closed it";
  DeleteFileA(path.c_str());
}

TEST(RealFileCrc32, ForgedFileMatchesVexlorY) {
  std::string path = ScratchFolder("crc-forged") + "\\forged.exe";
  WriteFileBytes(path, ForgeCrc32("stand-in body", 0xB566B395u));
  uint32_t crc = 0;
  ASSERT_TRUE(FileCrc32(path.c_str(), &crc));
  const ThreatSignature* match = SignatureTable_Match(crc);
  ASSERT_EQ(&SignatureTable[22], match);
  EXPECT_STREQ("Vexlor.y", match->variantName);
  DeleteFileA(path.c_str());
}

// W: is a fixed tree (see make-unit-prefix.sh); the listing order is the host file system's, so the
// events are compared as a sorted list, and the per-file order is checked separately.
TEST(RealWalk, FixtureDriveGivesExactlyItsFilesOnceThroughTheLoopingLink) {
  Recording_Clear();
  ScanControl_Reset();
  WalkRequest walk = {"W:\\", RecordEvent, nullptr, false, {0, 0, 0}};
  WalkDirectory(&walk);

  std::vector<std::string> sorted = recordedEvents;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::string> expected = {
      "INFECTED Vexlor.y W:\\level1\\level2\\sample.exe",
      "PROGRESS W:\\level1\\big.bin",
      "PROGRESS W:\\level1\\level2\\sample.exe",
      "PROGRESS W:\\loop\\inner\\note.txt",
      "PROGRESS W:\\readme.txt",
  };
  EXPECT_EQ(expected, sorted);
  auto infected = std::find(recordedEvents.begin(), recordedEvents.end(), expected[0]);
  ASSERT_NE(recordedEvents.end(), infected);
  ASSERT_NE(recordedEvents.end(), infected + 1);
  EXPECT_EQ("PROGRESS W:\\level1\\level2\\sample.exe", *(infected + 1)) << "infected event comes just before its progress";
}

TEST(RealWalk, StopRequestedBeforehandReportsOneStop) {
  Recording_Clear();
  ScanControl_Reset();
  ScanControl_RequestStop();
  WalkRequest walk = {"W:\\", RecordEvent, nullptr, false, {0, 0, 0}};
  WalkDirectory(&walk);
  EXPECT_EQ(std::vector<std::string>{"STOPPED"}, recordedEvents);
  ScanControl_Reset();
}

TEST(RealFindingList, RemovesReadOnlyAndHiddenFilesAndCountsTheMissingOne) {
  std::string folder = ScratchFolder("remove");
  std::string readOnly = folder + "\\read-only.exe";
  std::string hidden = folder + "\\hidden.exe";
  std::string missing = folder + "\\missing.exe";
  WriteFileBytes(readOnly, "1", FILE_ATTRIBUTE_READONLY);
  WriteFileBytes(hidden, "2", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  DeleteFileA(missing.c_str());
  ASSERT_FALSE(DeleteFileA(readOnly.c_str())) << "a read-only file resists a plain delete";

  FindingList_Clear();
  FindingList_Add(readOnly.c_str(), SCAN_EV_INFECTED_FILE);
  FindingList_Add(hidden.c_str(), SCAN_EV_DROPPED_FILE);
  FindingList_Add(missing.c_str(), SCAN_EV_LOG_FILE);
  FindingRemoval removal = FindingList_RemoveAll();
  EXPECT_EQ(2, removal.deleted);
  EXPECT_EQ(3, removal.total);
  EXPECT_FALSE(Exists(readOnly));
  EXPECT_FALSE(Exists(hidden));
  FindingList_Clear();
}

// A library that is no known DLL comes from the system directory only; a name that does not fit is refused,
// never cut to another name.
TEST(RealSystemLibrary, LoadsByFullPathFromTheSystemDirectory) {
  HMODULE psapi = SystemLibrary_Load("psapi.dll");
  ASSERT_NE(nullptr, psapi);
  char loaded[MAX_PATH];
  ASSERT_NE(0u, GetModuleFileNameA(psapi, loaded, sizeof loaded));
  char system[MAX_PATH];
  ASSERT_NE(0u, GetSystemDirectoryA(system, sizeof system));
  EXPECT_EQ(0, lstrcmpiA((std::string(system) + "\\psapi.dll").c_str(), loaded)) << loaded;
  EXPECT_NE(nullptr, GetProcAddress(psapi, "GetModuleFileNameExA"));

  EXPECT_EQ(nullptr, SystemLibrary_Load("no-such-library.dll"));
  EXPECT_EQ(nullptr, SystemLibrary_Load((std::string(MAX_PATH, 'a') + ".dll").c_str()));
}

// This prefix is 32-bit Windows: no redirector to turn off, and the Run key has one view.
TEST(PlatformOn32BitWindows, HasNoRedirectorAndOneRunKeyView) {
  PlatformHandle previous = nullptr;
  EXPECT_FALSE(Platform_RedirectionOff(&previous));
  PlatformHandle key = nullptr;
  EXPECT_FALSE(Platform_OpenRunKey(PLATFORM_RUN_KEY_32BIT, &key));
  ASSERT_TRUE(Platform_OpenRunKey(PLATFORM_RUN_KEY_NATIVE, &key));
  Platform_CloseKey(key);
}

}  // namespace
