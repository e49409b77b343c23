// The platform's 64-bit Windows calls, in a copy of a win64 Wine template: on a real WOW64 layer when this
// program is a 32-bit one; a 64-bit one has no redirector, and sees the same registry views and process images.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform.h"
#include "signatures.h"
#include "system_library.h"

namespace {

// A 32-bit test program's name for the real System32 is Sysnative.
const char MARKER_REAL[] = "C:\\windows\\sysnative\\purgewell-marker.txt";
const char MARKER_AS_SCANNED[] = "C:\\windows\\system32\\purgewell-marker.txt";
const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool WriteText(const char* path, const char* text) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text, lstrlenA(text), &written, nullptr);
  CloseHandle(file);
  return ok != FALSE;
}

DWORD WINAPI SeesMarker(void* seen) {
  *static_cast<bool*>(seen) = Platform_FileExists(MARKER_AS_SCANNED);
  return 0;
}

bool MarkerSeenOnAnotherThread() {
  bool seen = true;
  HANDLE thread = CreateThread(nullptr, 0, SeesMarker, &seen, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return seen;
}

const bool THIS_PROGRAM_IS_64_BIT = sizeof(void*) == 8;
const char NO_REDIRECTOR[] = "a 64-bit program has no WOW64 file-system redirector: its System32 is the real one";

TEST(PlatformOn64BitWindows, RedirectorOffShowsTheRealSystem32ToThisThreadUntilRestored) {
  if (THIS_PROGRAM_IS_64_BIT) GTEST_SKIP() << NO_REDIRECTOR;
  ASSERT_TRUE(WriteText(MARKER_REAL, "only in the real System32"));
  EXPECT_FALSE(Platform_FileExists(MARKER_AS_SCANNED)) << "System32 should show SysWOW64 to a 32-bit program";

  PlatformHandle previous = nullptr;
  ASSERT_TRUE(Platform_RedirectionOff(&previous));
  EXPECT_TRUE(Platform_FileExists(MARKER_AS_SCANNED));
  EXPECT_FALSE(MarkerSeenOnAnotherThread()) << "the setting belongs to the thread that made it";
  // Nested, as a removal inside a scan's span would be: the inner restore leaves the outer span off.
  PlatformHandle inner = nullptr;
  ASSERT_TRUE(Platform_RedirectionOff(&inner));
  Platform_RedirectionRestore(inner);
  EXPECT_TRUE(Platform_FileExists(MARKER_AS_SCANNED));
  // Files are deleted through a handle: the delete goes to the file that was opened, the real System32's.
  PlatformHandle marker = nullptr;
  ASSERT_TRUE(Platform_OpenForDelete(MARKER_AS_SCANNED, &marker));
  EXPECT_TRUE(Platform_DeleteOpenFile(marker));
  Platform_CloseFile(marker);
  Platform_RedirectionRestore(previous);

  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(MARKER_REAL));
}

class RunKeyViewsOn64BitWindows : public ::testing::Test {
 protected:
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      HKEY key;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS) continue;
      RegDeleteValueA(key, view == KEY_WOW64_64KEY ? "purgewell 64" : "purgewell 32");
      RegCloseKey(key);
    }
  }

  static void SetValue(REGSAM view, const char* name) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                                             &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x.exe"), 6));
    RegCloseKey(key);
  }

  static std::string ValueNames(uint32_t view) {
    PlatformHandle key;
    if (!Platform_OpenRunKey(view, &key)) return "(cannot be opened)";
    std::string names;
    char name[128];
    uint8_t data[261];
    for (uint32_t index = 0;; ++index) {
      uint32_t nameLength = sizeof name, type = 0, dataSize = sizeof data;
      if (Platform_EnumValue(key, index, name, &nameLength, &type, data, &dataSize) != PLATFORM_ERROR_SUCCESS) break;
      names += std::string(names.empty() ? "" : ",") + name;
    }
    Platform_CloseKey(key);
    return names;
  }
};

TEST_F(RunKeyViewsOn64BitWindows, NativeIsThe64BitViewAndTheOtherThe32BitOne) {
  SetValue(KEY_WOW64_64KEY, "purgewell 64");
  SetValue(KEY_WOW64_32KEY, "purgewell 32");
  EXPECT_EQ("purgewell 64", ValueNames(PLATFORM_RUN_KEY_NATIVE));
  EXPECT_EQ("purgewell 32", ValueNames(PLATFORM_RUN_KEY_32BIT));
}

// The sleeper copied into SysWOW64 and started from there: its image is that file, under its own name.
TEST(ProcessImagesOn64BitWindows, ProcessFromSysWOW64HasItsRealPath) {
  const char copy[] = "C:\\windows\\syswow64\\purgewell-sleeper.exe";
  ASSERT_TRUE(CopyFileA("C:\\bin\\traces_sleeper.exe", copy, FALSE)) << GetLastError();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  char commandLine[] = "C:\\windows\\syswow64\\purgewell-sleeper.exe";
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));

  PlatformHandle process;
  ASSERT_TRUE(Platform_OpenProcess(started.dwProcessId, &process));
  char path[261] = "";
  bool got = false;
  for (int attempt = 0; attempt < 200 && !got; ++attempt) {  // until the new process has its image mapped
    got = Platform_GetProcessImagePath(process, path, sizeof path);
    if (!got) Sleep(50);
  }
  EXPECT_TRUE(got);
  EXPECT_EQ(0, lstrcmpiA(copy, path)) << path;
  Platform_TerminateProcess(process);
  Platform_CloseProcess(process);
  WaitForSingleObject(started.hProcess, 5000);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  DeleteFileA(copy);
}

// Wine's services.exe is a 64-bit process: its image path is the real System32 one, and with the
// redirector off that file is the one read.
TEST(ProcessImagesOn64BitWindows, SixtyFourBitProcessHasItsSystem32PathAndItsFileIsRead) {
  PlatformHandle snapshot;
  ASSERT_TRUE(Platform_SnapshotProcesses(&snapshot));
  PlatformProcessEntry entry;
  uint32_t servicesId = 0;
  for (bool more = Platform_FirstProcess(snapshot, &entry); more; more = Platform_NextProcess(snapshot, &entry)) {
    if (lstrcmpiA(entry.exeFile, "services.exe") == 0) servicesId = entry.processId;
  }
  Platform_CloseSnapshot(snapshot);
  ASSERT_NE(0u, servicesId);

  PlatformHandle process;
  ASSERT_TRUE(Platform_OpenProcess(servicesId, &process));
  char path[261] = "";
  EXPECT_TRUE(Platform_GetProcessImagePath(process, path, sizeof path));
  Platform_CloseProcess(process);
  EXPECT_EQ(0, lstrcmpiA("C:\\windows\\system32\\services.exe", path)) << path;
  uint32_t crc = 0;
  if (THIS_PROGRAM_IS_64_BIT) {  // no redirected view: the path names the file as it is
    EXPECT_TRUE(FileCrc32(path, &crc));
    return;
  }

  PlatformHandle previous = nullptr;
  ASSERT_TRUE(Platform_RedirectionOff(&previous));
  EXPECT_TRUE(FileCrc32(path, &crc));
  Platform_RedirectionRestore(previous);
  // Wine's SysWOW64 has no services.exe: in the redirected view the same path names no file at all.
  EXPECT_FALSE(FileCrc32(path, &crc));
}

// A library loaded on first use, as psapi.dll is during a scan, while the scanning thread sees the real
// System32 with its 64-bit libraries: the 32-bit one is loaded all the same.
TEST(SystemLibraryOn64BitWindows, LoadsThe32BitLibraryWhileTheRedirectorIsOff) {
  if (THIS_PROGRAM_IS_64_BIT) GTEST_SKIP() << NO_REDIRECTOR << " (RealSystemLibrary checks its libraries)";
  PlatformHandle previous = nullptr;
  ASSERT_TRUE(Platform_RedirectionOff(&previous));
  HMODULE psapi = SystemLibrary_Load("psapi.dll");
  Platform_RedirectionRestore(previous);
  ASSERT_NE(nullptr, psapi);
  char loaded[MAX_PATH] = "";
  GetModuleFileNameA(psapi, loaded, sizeof loaded);
  EXPECT_EQ(0, lstrcmpiA("C:\\windows\\syswow64\\psapi.dll", loaded)) << loaded;
  EXPECT_NE(nullptr, GetProcAddress(psapi, "GetModuleFileNameExA"));
}

}  // namespace
