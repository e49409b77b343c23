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
#include "text.h"
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
  WalkRequest walk = {"W:\\", RecordEvent, nullptr};
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
  WalkRequest walk = {"W:\\", RecordEvent, nullptr};
  WalkDirectory(&walk);
  EXPECT_EQ(std::vector<std::string>{"STOPPED"}, recordedEvents);
  ScanControl_Reset();
}

std::vector<std::string> SortedWalk(const char* root, const WalkVolumes* volumes) {
  Recording_Clear();
  WalkRequest walk = {root, RecordEvent, volumes};
  WalkDirectory(&walk);
  std::vector<std::string> sorted = recordedEvents;
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

const std::string LONG_FOLDER = "H:\\long\\" + std::string(72, 'a') + "\\" + std::string(72, 'b') + "\\" +
                                std::string(72, 'c') + "\\" + std::string(72, 'd');

// H: is a hostile drive (see make-unit-prefix.sh): the walk ends; names Windows maps to devices are plain files
// here, the FIFO and the link to /dev/zero are passed as progress without a read; names outside the code page
// and a 305-character path are found; the folder seen again through a link is listed once.
TEST(RealWalk, HostileDriveEndsAndReportsEachCopyOnce) {
  WalkVolumes volumes;
  volumes.count = 0;
  ASSERT_TRUE(WalkVolumes_AddRoot(&volumes, "H:\\"));
  std::vector<std::string> expected = {
      "INFECTED Vexlor.a H:\\names\\Документы\\файл.exe",
      "INFECTED Vexlor.k H:\\names\\文件.exe",
      "INFECTED Vexlor.r " + LONG_FOLDER + "\\v.exe",
      "INFECTED Vexlor.y H:\\dev\\aux.log",
      "INFECTED Vexlor.z H:\\links\\folder\\v.exe",
      "PROGRESS H:\\dev\\aux.log",
      "PROGRESS H:\\dev\\com1.dat",
      "PROGRESS H:\\dev\\con",
      "PROGRESS H:\\dev\\fifo",
      "PROGRESS H:\\dev\\lpt1.log",
      "PROGRESS H:\\dev\\nul.txt",
      "PROGRESS H:\\dev\\prn",
      "PROGRESS H:\\dev\\zero",
      "PROGRESS H:\\links\\folder\\v.exe",
      "PROGRESS H:\\names\\Документы\\файл.exe",
      "PROGRESS H:\\names\\文件.exe",
      "PROGRESS " + LONG_FOLDER + "\\v.exe",
  };
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, SortedWalk("H:\\", &volumes));
}

// Without the drives' volumes (a walk of one folder), the link is the only way in and is followed.
TEST(RealWalk, LinkIsFollowedWhenItsTargetIsNotWalkedOtherwise) {
  std::vector<std::string> expected = {"INFECTED Vexlor.z H:\\links\\again\\v.exe", "PROGRESS H:\\links\\again\\v.exe"};
  EXPECT_EQ(expected, SortedWalk("H:\\links\\again", nullptr));
}

struct DeepWalk {
  size_t stackReserve;
};

// The size of the reservation the calling thread's stack lies in.
size_t StackReserve() {
  int local = 0;
  MEMORY_BASIC_INFORMATION region;
  if (VirtualQuery(&local, &region, sizeof region) == 0) return 0;
  char* base = static_cast<char*>(region.AllocationBase);
  size_t total = 0;
  while (VirtualQuery(base + total, &region, sizeof region) != 0 && region.AllocationBase == base) {
    total += region.RegionSize;
  }
  return total;
}

DWORD WINAPI WalkJ(void* parameter) {
  static_cast<DeepWalk*>(parameter)->stackReserve = StackReserve();
  SortedWalk("J:\\", nullptr);
  return 0;
}

// 800 levels on a thread with a 1 MiB stack (Wine gives no less): a fixed 1.4 KiB a level on the stack, as
// two 520-byte path buffers and a listing entry took, would need 1.1 MiB.
TEST(RealWalk, TreeEightHundredFoldersDeepOnAOneMiBStack) {
  DeepWalk deep = {0};
  HANDLE thread = CreateThread(nullptr, 1024 * 1024, WalkJ, &deep, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_NE(nullptr, thread);
  WaitForSingleObject(thread, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeThread(thread, &exitCode);
  CloseHandle(thread);
  ASSERT_EQ(0u, exitCode);
  EXPECT_LE(deep.stackReserve, 1024u * 1024u);
  std::string path = "J:";
  for (int i = 0; i < 800; ++i) path += "\\d";
  path += "\\v.exe";
  EXPECT_EQ((std::vector<std::string>{"INFECTED Vexlor.y " + path, "PROGRESS " + path}), recordedEvents);
}

// The \\?\ form of a UTF-8 path, as the test's own wide calls need it.
std::wstring Wide(const std::string& utf8) {
  std::wstring wide(Text_Utf16LengthOf(utf8.c_str()) + 1, L'\0');
  Text_ToUtf16(reinterpret_cast<uint16_t*>(&wide[0]), wide.size(), utf8.c_str());
  wide.resize(wide.size() - 1);
  return L"\\\\?\\" + wide;
}

bool WideExists(const std::string& utf8) { return GetFileAttributesW(Wide(utf8).c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteWide(const std::string& utf8, const std::string& bytes) {
  HANDLE file = CreateFileW(Wide(utf8).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << utf8 << ": error " << GetLastError();
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// Found files whose names the ANSI calls cannot reach are removed: outside the code page, a device name, past
// MAX_PATH, a name ending in a dot.
TEST(RealFindingList, RemovesFilesOnlyTheWideCallsReach) {
  std::string folder = ScratchFolder("remove-wide");
  std::string deep = folder + "\\" + std::string(120, 'x');
  ASSERT_TRUE(CreateDirectoryW(Wide(folder + "\\Документы").c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(Wide(deep).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryW(Wide(deep + "\\" + std::string(120, 'y')).c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS);
  std::vector<std::string> paths = {folder + "\\Документы\\файл.exe", folder + "\\com1.dat", folder + "\\文件.exe",
                                    deep + "\\" + std::string(120, 'y') + "\\v.exe", folder + "\\dot."};
  FindingList_Clear();
  for (const std::string& path : paths) {
    // An infected file is deleted only while it has its Vexlor checksum.
    WriteWide(path, ForgeCrc32("x", 0xB566B395u));
    ASSERT_TRUE(WideExists(path)) << path;
    FindingList_Add(path.c_str(), SCAN_EV_INFECTED_FILE);
  }
  FindingRemoval removal = FindingList_RemoveAll();
  FindingList_Clear();
  EXPECT_EQ(5, removal.deleted);
  EXPECT_EQ(5, removal.total);
  for (const std::string& path : paths) EXPECT_FALSE(WideExists(path)) << path;
}

// The process on its first CPU only for the length of one test: the walk then reads each file itself, in turn.
struct OneCpu {
  DWORD_PTR process = 0;
  OneCpu() {
    DWORD_PTR system = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &process, &system);
    SetProcessAffinityMask(GetCurrentProcess(), process & (~process + 1));
  }
  ~OneCpu() { SetProcessAffinityMask(GetCurrentProcess(), process); }
};

// The walk deletes the second file of a folder once it passed the first: the one that vanished between the
// listing and its opening gives progress only. The serial walk opens it only after the first one's events;
// a pool of readers may have read it already.
std::string vanishFolder;

void DeleteTheOtherFile(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  RecordEvent.report(context, event, text, signature);
  if (event != SCAN_EV_PROGRESS || recordedEvents.size() > 2) return;
  std::string other = std::string(text) == vanishFolder + "\\a.exe" ? "\\b.exe" : "\\a.exe";
  DeleteFileA((vanishFolder + other).c_str());
}

TEST(RealWalk, FileDeletedWhileTheWalkRunsGivesNoFinding) {
  vanishFolder = ScratchFolder("vanish");
  WriteFileBytes(vanishFolder + "\\a.exe", ForgeCrc32("stand-in body", 0xB566B395u));
  WriteFileBytes(vanishFolder + "\\b.exe", ForgeCrc32("stand-in body", 0xB566B395u));
  Recording_Clear();
  WalkRequest walk = {vanishFolder.c_str(), {DeleteTheOtherFile, RecordEvent.context}, nullptr};
  {
    OneCpu serial;
    ASSERT_EQ(1u, Platform_UsableCpuCount());
    WalkDirectory(&walk);
  }
  ASSERT_EQ(3u, recordedEvents.size());
  std::string first = recordedEvents[1].substr(std::string("PROGRESS ").size());
  std::string second = first == vanishFolder + "\\a.exe" ? vanishFolder + "\\b.exe" : vanishFolder + "\\a.exe";
  EXPECT_EQ((std::vector<std::string>{"INFECTED Vexlor.y " + first, "PROGRESS " + first, "PROGRESS " + second}),
            recordedEvents);
  EXPECT_FALSE(Exists(second));
  DeleteFileA(first.c_str());
}

// A real tree walked by the pool of readers gives the serial walk's events, file for file.
TEST(RealWalk, ReaderPoolReportsAsTheSerialWalk) {
  if (Platform_UsableCpuCount() < 2) GTEST_SKIP() << "the process may use one CPU only: there is no pool";
  std::string root = ScratchFolder("pool");
  for (int folder = 0; folder < 6; ++folder) {
    std::string directory = root + "\\d" + std::to_string(folder);
    CreateDirectoryA(directory.c_str(), nullptr);
    for (int file = 0; file < 40; ++file) {
      std::string body = Pattern(static_cast<size_t>(file * 300 + folder));
      if (file % 9 == 4) body = ForgeCrc32(body, 0xB566B395u);
      WriteFileBytes(directory + "\\f" + std::to_string(file) + ".bin", body);
    }
  }
  WalkRequest walk = {root.c_str(), RecordEvent, nullptr};
  Recording_Clear();
  {
    OneCpu serial;
    WalkDirectory(&walk);
  }
  std::vector<std::string> serialEvents = recordedEvents;
  ASSERT_EQ(6u * 40u + 6u * 4u, serialEvents.size());  // a progress for each file, four findings a folder
  Recording_Clear();
  WalkDirectory(&walk);
  EXPECT_EQ(serialEvents, recordedEvents);
}

TEST(RealFindingList, RemovesReadOnlyAndHiddenFilesAndCountsTheMissingOne) {
  std::string folder = ScratchFolder("remove");
  std::string readOnly = folder + "\\read-only.exe";
  std::string hidden = folder + "\\hidden.exe";
  std::string missing = folder + "\\missing.exe";
  WriteFileBytes(readOnly, ForgeCrc32("1", 0xB566B395u), FILE_ATTRIBUTE_READONLY);
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

// A found file rewritten, or replaced by a copy of itself, since it was found is not the file examined: it stays,
// unchanged, and is not counted; the untouched one beside it goes.
TEST(RealFindingList, RefusesFilesChangedOrReplacedSinceTheyWereFound) {
  std::string folder = ScratchFolder("remove-changed");
  std::string body = ForgeCrc32("stand-in body", 0xB566B395u);
  std::string rewritten = folder + "\\rewritten.exe", replaced = folder + "\\replaced.exe";
  std::string untouched = folder + "\\untouched.exe", copy = folder + "\\copy.tmp";
  for (const std::string& path : {rewritten, replaced, untouched}) WriteFileBytes(path, body);
  FindingList_Clear();
  for (const std::string& path : {rewritten, replaced, untouched}) FindingList_Add(path.c_str(), SCAN_EV_INFECTED_FILE);
  WriteFileBytes(rewritten, std::string(body.size(), 'z'));
  WriteFileBytes(copy, body);
  ASSERT_TRUE(MoveFileExA(copy.c_str(), replaced.c_str(), MOVEFILE_REPLACE_EXISTING));

  FindingRemoval removal = FindingList_RemoveAll();
  FindingList_Clear();
  EXPECT_EQ(1, removal.deleted);
  EXPECT_EQ(3, removal.total);
  EXPECT_TRUE(Exists(rewritten));
  EXPECT_TRUE(Exists(replaced));
  EXPECT_FALSE(Exists(untouched));
  DeleteFileA(rewritten.c_str());
  DeleteFileA(replaced.c_str());
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
  if (sizeof(void*) == 8) {
    GTEST_SKIP() << "a 64-bit program's prefix is 64-bit Windows, with two Run key views (PlatformOnWine.On64BitWindows)";
  }
  PlatformHandle previous = nullptr;
  EXPECT_FALSE(Platform_RedirectionOff(&previous));
  PlatformHandle key = nullptr;
  EXPECT_FALSE(Platform_OpenRunKey(PLATFORM_RUN_KEY_32BIT, &key));
  ASSERT_TRUE(Platform_OpenRunKey(PLATFORM_RUN_KEY_NATIVE, &key));
  Platform_CloseKey(key);
}

}  // namespace
