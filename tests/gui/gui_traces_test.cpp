// The system traces as the windowed program shows them: a killed process, the Run value, dropped and log files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crc_forge.h"
#include "driver.h"
#include "resource.h"

namespace {

const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool SetRunValue(const char* name, const char* command) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command), lstrlenA(command) + 1);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool RunValueExists(const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  LONG result = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

class PurgewellTraces : public ::testing::Test {
 protected:
  void TearDown() override {
    for (RunningProgram* started : {&program, &vexlor}) {
      if (started == &program && program.process != nullptr && WaitForSingleObject(program.process, 0) != WAIT_OBJECT_0) {
        PostMessageA(program.window, WM_CLOSE, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(WaitForExit(&program, &code));
      }
      Abandon(started);
    }
  }
  void RunScan() {
    ASSERT_TRUE(StartPurgewell(&program));
    ClickButton(program.window, IDC_START_STOP);
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Please close any resource-consuming applications before clicking OK",
                                   false, IDOK));
  }
  std::vector<std::string> Log() { return ListBoxLines(GetDlgItem(program.window, IDC_SCAN_LOG)); }
  RunningProgram program = {nullptr, 0, nullptr};
  RunningProgram vexlor = {nullptr, 0, nullptr};
};

// Only the Run value and the file it starts, both deleted during the scan: nothing is left to offer.
TEST_F(PurgewellTraces, RunValueAloneEndsWithTheTracesRemovedBox) {
  ASSERT_TRUE(WriteWholeFile("C:\\windows\\SysMonXP.exe", "stand-in started by the Run value"));
  ASSERT_TRUE(SetRunValue("SysMonXP", "SysMonXP.exe"));
  RunScan();
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Vexlor-traces was found and removed from your computer!", false, IDOK));
  std::vector<std::string> log = Log();
  ASSERT_EQ(3u, log.size());
  EXPECT_EQ("Vexlor was found removed from the registry", log[1]);
  EXPECT_FALSE(RunValueExists("SysMonXP"));
  EXPECT_FALSE(FileExists("C:\\windows\\SysMonXP.exe"));
}

// A running Vexlor process, a dropped file and the log file that is both dropped and a log.
TEST_F(PurgewellTraces, ProcessDroppedAndLogFilesAreReportedAndOfferedForRemoval) {
  std::string program_bytes;
  ASSERT_TRUE(ReadWholeFile("C:\\bin\\vexlor_stand_in.exe", &program_bytes));
  ASSERT_TRUE(WriteWholeFile("C:\\bin\\vexlor_q.exe", ForgeCrc32(program_bytes, 0xDE1D88A3)));
  ASSERT_LE(program_bytes.size() + 4, 41984u) << "the stand-in process is too big to be checksummed";
  ASSERT_TRUE(StartProgram("vexlor_q.exe", &vexlor));
  ASSERT_TRUE(WriteWholeFile("C:\\windows\\zip1.tmp", "dropped"));
  ASSERT_TRUE(WriteWholeFile("C:\\windows\\pk_zip_alg.log", "log"));
  RunScan();
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "Vexlor was found in 4 files on your PC. Would you like to remove the infected files?",
                                 true, IDYES));
  // pk_zip_alg.log is listed twice: the second delete finds it gone.
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "3 out of 4 files were successfully removed!", false, IDOK));
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(&vexlor, &code));
  EXPECT_EQ(0u, code);

  std::vector<std::string> log = Log();
  std::vector<std::string> expected = {
      "Vexlor.q was found and terminated in memory",
      "A Vexlor infected file was found: C:\\windows\\zip1.tmp",
      "A Vexlor infected file was found: C:\\windows\\pk_zip_alg.log",
      "A file dropped by Vexlor was found: C:\\windows\\pk_zip_alg.log",
      "A Vexlor.q infected file was found: C:\\bin\\vexlor_q.exe",
  };
  ASSERT_EQ(expected.size() + 2, log.size());
  EXPECT_TRUE(IsTimeLine(log.front(), "started"));
  EXPECT_EQ(expected, std::vector<std::string>(log.begin() + 1, log.end() - 1));
  EXPECT_TRUE(IsTimeLine(log.back(), "finished"));
  for (const char* path : {"C:\\windows\\zip1.tmp", "C:\\windows\\pk_zip_alg.log", "C:\\bin\\vexlor_q.exe"}) {
    EXPECT_FALSE(FileExists(path)) << path;
  }
}

}  // namespace
