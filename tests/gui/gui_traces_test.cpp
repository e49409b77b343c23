// The system traces as the windowed program shows them: a killed process, the Run value, dropped and log files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "crc_forge.h"
#include "driver.h"
#include "resource.h"

namespace {

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

// The walk of both system folders of a 64-bit prefix, with the window shown, can take minutes on a busy
// machine: the end-of-run question is waited for with a generous limit.
bool WaitForTheQuestionAfterALongWalk(DWORD processId) {
  return WaitUntil([processId] { return FindMessageBox(processId, "Vexlor Removal Tool") != nullptr; }, 8 * 60000);
}

// Run in a 64-bit Windows prefix: a copy in the real System32 and one in SysWOW64, a Vexlor Run value in
// each registry view, and an ordinary value in both.
class PurgewellOn64BitWindows : public PurgewellTraces {};

TEST_F(PurgewellOn64BitWindows, FindsAndRemovesTracesInBothSystemFoldersAndBothRegistryViews) {
  // This driver is a 32-bit program as well: Sysnative is its name for the real System32.
  ASSERT_TRUE(WriteVexlorFile("C:\\windows\\sysnative\\vxcache.exe", 0x7278A0B5));  // Vexlor.a
  ASSERT_TRUE(WriteVexlorFile("C:\\windows\\syswow64\\vxcache.exe", 0x411A3D2A));   // Vexlor.k
  ASSERT_TRUE(WriteWholeFile("C:\\windows\\SysMonXP.exe", "stand-in started by the 64-bit Run value"));
  ASSERT_TRUE(WriteWholeFile("C:\\windows\\fooding.exe", "stand-in started by the 32-bit Run value"));
  ASSERT_TRUE(SetRunValue("SysMonXP", "SysMonXP.exe", KEY_WOW64_64KEY));
  ASSERT_TRUE(SetRunValue("Tiny AV", "fooding.exe -antivirus service", KEY_WOW64_32KEY));
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    ASSERT_TRUE(SetRunValue("Updater", "C:\\bin\\mutex_holder.exe", view));
  }
  ASSERT_FALSE(RunValueExists("SysMonXP", KEY_WOW64_32KEY)) << "the prefix does not keep two registry views";

  RunScan();
  ASSERT_TRUE(WaitForTheQuestionAfterALongWalk(program.processId));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "Vexlor was found in 2 files on your PC. Would you like to remove the infected files?",
                                 true, IDYES));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "2 out of 2 files were successfully removed!", false, IDOK));

  std::vector<std::string> log = Log();
  ASSERT_EQ(6u, log.size());
  EXPECT_TRUE(IsTimeLine(log.front(), "started"));
  EXPECT_EQ("Vexlor was found removed from the registry", log[1]);
  EXPECT_EQ("Vexlor was found removed from the registry", log[2]);
  // The walk meets the two folders in the file system's order.
  std::vector<std::string> walked(log.begin() + 3, log.end() - 1);
  std::sort(walked.begin(), walked.end());
  EXPECT_EQ((std::vector<std::string>{"A Vexlor.a infected file was found: C:\\windows\\system32\\vxcache.exe",
                                      "A Vexlor.k infected file was found: C:\\windows\\syswow64\\vxcache.exe"}),
            walked);
  EXPECT_TRUE(IsTimeLine(log.back(), "finished"));

  for (const char* path : {"C:\\windows\\sysnative\\vxcache.exe", "C:\\windows\\syswow64\\vxcache.exe",
                           "C:\\windows\\SysMonXP.exe", "C:\\windows\\fooding.exe"}) {
    EXPECT_FALSE(FileExists(path)) << path;
  }
  for (const char* path : {"C:\\windows\\sysnative\\kernel32.dll", "C:\\windows\\syswow64\\kernel32.dll"}) {
    EXPECT_TRUE(FileExists(path)) << path;
  }
  EXPECT_FALSE(RunValueExists("SysMonXP", KEY_WOW64_64KEY));
  EXPECT_FALSE(RunValueExists("Tiny AV", KEY_WOW64_32KEY));
  EXPECT_TRUE(RunValueExists("Updater", KEY_WOW64_64KEY));
  EXPECT_TRUE(RunValueExists("Updater", KEY_WOW64_32KEY));
}

}  // namespace
