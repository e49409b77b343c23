// The system-trace stages on real processes, registry values and files, in a private Wine prefix.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "crc_forge.h"
#include "finding_list.h"
#include "poll.h"
#include "scan_events.h"
#include "scan_recorder.h"
#include "signatures.h"
#include "text.h"
#include "traces.h"

namespace {

typedef std::vector<std::string> Events;

const uint32_t VEXLOR_Y = 0xB566B395u;
const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string WindowsDirectory() {
  char buffer[MAX_PATH];
  UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  return std::string(buffer, length);
}

std::string ProgramDirectory() {
  char buffer[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, length);
  return path.substr(0, path.find_last_of('\\'));
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WriteWhole(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

// The \\?\ form of a UTF-8 path, which may be longer than MAX_PATH.
std::wstring LongPath(const std::string& path) {
  std::wstring wide(Text_Utf16LengthOf(path.c_str()) + 1, L'\0');
  Text_ToUtf16(reinterpret_cast<uint16_t*>(&wide[0]), wide.size(), path.c_str());
  wide.resize(wide.size() - 1);
  return L"\\\\?\\" + wide;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Joined(const Events& events) {
  std::string text;
  for (const std::string& line : events) text += "\n  " + line;
  return text;
}

size_t Count(const Events& events, const std::string& line) { return std::count(events.begin(), events.end(), line); }

// --- Processes ---

struct Sleeper {
  std::string path;
  PROCESS_INFORMATION process;
};

class ProcessSweepOnWine : public ::testing::Test {
 protected:
  void TearDown() override {
    // Whatever the test did, no sleeper outlives it.
    for (Sleeper& sleeper : sleepers) {
      if (WaitForSingleObject(sleeper.process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(sleeper.process.hProcess, 1);
        WaitForSingleObject(sleeper.process.hProcess, 5000);
      }
      CloseHandle(sleeper.process.hThread);
      CloseHandle(sleeper.process.hProcess);
      DeleteFileW(LongPath(sleeper.path).c_str());
    }
    RemoveDirectoryW(LongPath(directory).c_str());
  }

  // A copy of our sleeper, forged to a Vexlor checksum when crc is not 0, running.
  const Sleeper& Start(const std::string& name, uint32_t crc) {
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string body = ReadWhole(ProgramDirectory() + "\\traces_sleeper.exe");
    EXPECT_FALSE(body.empty());
    Sleeper sleeper;
    sleeper.path = directory + "\\" + name;
    WriteWhole(sleeper.path, crc != 0 ? ForgeCrc32(body, crc) : body);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(&sleeper.process, sizeof sleeper.process);
    BOOL started = CreateProcessA(sleeper.path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &sleeper.process);
    EXPECT_TRUE(started) << sleeper.path << " error " << GetLastError();
    if (started) {
      sleepers.push_back(sleeper);
      WaitUntilLoaded(sleeper.process.hProcess);
    }
    return sleepers.back();
  }

  // The image path is readable only once the new process has mapped its modules.
  static void WaitUntilLoaded(HANDLE process) {
    WaitUntil([process] {
      char path[MAX_PATH];
      return GetModuleFileNameExA(process, nullptr, path, sizeof path) != 0;
    }, 10000);
  }

  static bool InSnapshot(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
      if (entry.th32ProcessID == processId) found = true;
    }
    CloseHandle(snapshot);
    return found;
  }

  std::string directory = "C:\\vexlor-processes";
  std::vector<Sleeper> sleepers;
};

TEST_F(ProcessSweepOnWine, TerminatesBothCopiesOfAVexlorBuildAndSparesOthers) {
  Start("vx-one.exe", VEXLOR_Y);
  Start("vx-two.exe", VEXLOR_Y);
  Start("vx-clean.exe", 0);
  ASSERT_EQ(3u, sleepers.size());
  Recording_Clear();

  EXPECT_TRUE(Traces_ProcessSweep(RecordEvent));

  for (const char* name : {"vx-one.exe", "vx-two.exe"}) {
    // Each kill names the process's image.
    std::string killed = "KILLED Vexlor.y " + directory + "\\" + name;
    EXPECT_EQ(1u, Count(recordedEvents, killed)) << Joined(recordedEvents);
    auto progress = std::find(recordedEvents.begin(), recordedEvents.end(), std::string("PROGRESS ") + name);
    ASSERT_NE(recordedEvents.end(), progress) << name;
    ASSERT_NE(recordedEvents.begin(), progress);
    EXPECT_EQ(killed, *(progress - 1)) << name;
  }
  EXPECT_EQ(1u, Count(recordedEvents, "PROGRESS vx-clean.exe"));
  EXPECT_EQ(0u, Count(recordedEvents, "INFECTED Vexlor.y " + sleepers[0].path));

  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sleepers[i].process.hProcess, 5000)) << sleepers[i].path;
    DWORD exitCode = 1;
    GetExitCodeProcess(sleepers[i].process.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode) << sleepers[i].path;
    EXPECT_FALSE(InSnapshot(sleepers[i].process.dwProcessId)) << sleepers[i].path;
  }
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(sleepers[2].process.hProcess, 0));
  EXPECT_TRUE(InSnapshot(sleepers[2].process.dwProcessId));
}

// --- The Run key and the files its values start ---

class RunKeyOnWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
  }

  void TearDown() override {
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    for (const std::string& name : names) RegDeleteValueA(key, name.c_str());
    for (const std::string& path : files) DeleteFileA(path.c_str());
    RegCloseKey(key);
  }

  void SetValue(const std::string& name, const std::string& data) {
    names.push_back(name);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                            static_cast<DWORD>(data.size() + 1)));
  }

  bool HasValue(const std::string& name) {
    return RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::string WindowsFile(const std::string& name) {
    std::string path = WindowsDirectory() + "\\" + name;
    files.push_back(path);
    WriteWhole(path, ForgeCrc32("MZ stand-in", VEXLOR_Y));
    return path;
  }

  HKEY key = nullptr;
  HANDLE held = INVALID_HANDLE_VALUE;
  std::vector<std::string> names;
  std::vector<std::string> files;
};

TEST_F(RunKeyOnWine, DeletesMatchingValuesWithTheirFilesAndListsAFileInUse) {
  std::string fooding = WindowsFile("fooding.exe");
  std::string sysMon = WindowsFile("SysMonXP.exe");
  std::string fvProtect = WindowsFile("FVProtect.exe");
  SetValue("Tiny AV", "fooding.exe -antivirus service");
  SetValue("SysMonXP", "SYSMONXP.EXE");  // matches in capitals; next to Tiny AV in the key
  SetValue("Other", "fooding.exe -antivirus service");
  SetValue("Jammer2nd", "Jammer2nd.exe");  // its file does not exist
  SetValue("Norton Antivirus AV", "FVProtect.exe");
  // Held open without delete sharing: DeleteFileA fails on it.
  held = CreateFileA(fvProtect.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  Recording_Clear();

  EXPECT_TRUE(Traces_RunKeyCleanup(RecordEvent, WindowsDirectory().c_str()));

  // Each deletion names its value.
  for (const char* name : {"Tiny AV", "SysMonXP", "Norton Antivirus AV"}) {
    EXPECT_EQ(1u, Count(recordedEvents, std::string("REGISTRY ") + name)) << Joined(recordedEvents);
  }
  EXPECT_EQ(1u, Count(recordedEvents, "DROPPED " + fvProtect));
  for (const char* name : {"Tiny AV", "SysMonXP", "Other", "Jammer2nd", "Norton Antivirus AV"}) {
    EXPECT_EQ(1u, Count(recordedEvents, std::string("PROGRESS ") + name)) << name;
  }
  EXPECT_FALSE(HasValue("Tiny AV"));
  EXPECT_FALSE(HasValue("SysMonXP"));
  EXPECT_FALSE(HasValue("Norton Antivirus AV"));
  EXPECT_TRUE(HasValue("Other"));
  EXPECT_TRUE(HasValue("Jammer2nd"));
  EXPECT_FALSE(Exists(fooding));
  EXPECT_FALSE(Exists(sysMon));
  EXPECT_TRUE(Exists(fvProtect));
}

// --- Dropped files and log files in the Windows directory ---

class WindowsFilesOnWine : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : files) DeleteFileW(LongPath(path).c_str());
    RemoveDirectoryA((WindowsDirectory() + "\\pk_zipdir.log").c_str());
    FindingList_Clear();
  }

  // Through a wide \\?\ path, so that a name too long for an ordinary path can be made as well.
  std::string Plant(const std::string& name) {
    std::string path = WindowsDirectory() + "\\" + name;
    files.push_back(path);
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file) << name << " error " << GetLastError();
    DWORD written = 0;
    WriteFile(file, name.c_str(), static_cast<DWORD>(name.size()), &written, nullptr);
    CloseHandle(file);
    return path;
  }

  std::vector<std::string> files;
};

TEST_F(WindowsFilesOnWine, ReportsDroppedAndLogFilesAndTheirRemovalDeletesThem) {
  const std::string windows = WindowsDirectory() + "\\";
  // A name outside the code page, and one that makes a path past MAX_PATH beside the Windows directory.
  const std::string realName = "pk_zip_журнал.log";
  const std::string longName = "pk_zip" + std::string(245, 'l') + ".log";
  for (const std::string& name : {std::string("zip1.tmp"), std::string("pk_zip_alg.log"),
                                  std::string("uinmzertinmds.opm"), std::string("pk_zip1.log"),
                                  std::string("pk_zip2.LOG"), realName, longName}) {
    Plant(name);
  }
  std::string wrongExtension = Plant("pk_zip.txt");
  std::string capitalMarker = Plant("PK_ZIP9.log");
  CreateDirectoryA((windows + "pk_zipdir.log").c_str(), nullptr);
  FindingList_Clear();
  Recording_Clear();

  Traces_DroppedFileProbe(RecordAndList, WindowsDirectory().c_str());
  EXPECT_TRUE(Traces_LogFileSearch(RecordAndList, WindowsDirectory().c_str()));

  ASSERT_GE(recordedEvents.size(), 3u) << Joined(recordedEvents);
  EXPECT_EQ((Events{"DROPPED " + windows + "zip1.tmp", "DROPPED " + windows + "pk_zip_alg.log",
                     "DROPPED " + windows + "uinmzertinmds.opm"}),
            Events(recordedEvents.begin(), recordedEvents.begin() + 3));
  Events logs(recordedEvents.begin() + 3, recordedEvents.end());
  std::sort(logs.begin(), logs.end());
  Events expectedLogs = {"LOG " + windows + "pk_zip1.log", "LOG " + windows + "pk_zip2.LOG",
                         "LOG " + windows + "pk_zip_alg.log", "LOG " + windows + realName, "LOG " + windows + longName};
  std::sort(expectedLogs.begin(), expectedLogs.end());
  EXPECT_EQ(expectedLogs, logs);
  for (const std::string& path : files) EXPECT_TRUE(Exists(path)) << path;  // nothing is deleted by the scan

  ASSERT_EQ(8, FindingList_Count());
  FindingRemoval removal = FindingList_RemoveAll();
  EXPECT_EQ(7, removal.deleted);  // pk_zip_alg.log is listed twice
  EXPECT_EQ(8, removal.total);
  for (const std::string& name : {std::string("zip1.tmp"), std::string("pk_zip_alg.log"),
                                  std::string("uinmzertinmds.opm"), std::string("pk_zip1.log"),
                                  std::string("pk_zip2.LOG"), realName, longName}) {
    EXPECT_FALSE(Exists(windows + name)) << name;
  }
  EXPECT_TRUE(Exists(wrongExtension));
  EXPECT_TRUE(Exists(capitalMarker));
}

// A Vexlor process started from a folder and a file named outside the code page: found by its image file,
// killed, and passed as progress under its real name.
TEST_F(ProcessSweepOnWine, KillsAVexlorProcessWhoseImageNameTheCodePageCannotSpell) {
  directory = "C:\\процессы";
  ASSERT_TRUE(CreateDirectoryW(LongPath(directory).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  std::string body = ReadWhole(ProgramDirectory() + "\\traces_sleeper.exe");
  ASSERT_FALSE(body.empty());
  Sleeper sleeper;
  sleeper.path = directory + "\\вирус.exe";
  HANDLE file = CreateFileW(LongPath(sleeper.path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  std::string forged = ForgeCrc32(body, VEXLOR_Y);
  DWORD written = 0;
  WriteFile(file, forged.data(), static_cast<DWORD>(forged.size()), &written, nullptr);
  CloseHandle(file);
  std::wstring image = LongPath(sleeper.path).substr(4);
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  ZeroMemory(&sleeper.process, sizeof sleeper.process);
  ASSERT_TRUE(CreateProcessW(image.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &sleeper.process)) << GetLastError();
  sleepers.push_back(sleeper);
  WaitUntilLoaded(sleeper.process.hProcess);
  Recording_Clear();

  EXPECT_TRUE(Traces_ProcessSweep(RecordEvent));

  auto progress = std::find(recordedEvents.begin(), recordedEvents.end(), std::string("PROGRESS вирус.exe"));
  ASSERT_NE(recordedEvents.end(), progress) << Joined(recordedEvents);
  ASSERT_NE(recordedEvents.begin(), progress);
  EXPECT_EQ("KILLED Vexlor.y " + sleeper.path, *(progress - 1));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sleeper.process.hProcess, 5000));
}

}  // namespace
