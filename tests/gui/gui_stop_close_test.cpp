// Stopping and closing during a long scan (drive D: holds tens of thousands of files), and closing during the summary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "resource.h"

namespace {

const char EARLY_FILE[] = "C:\\found\\early.exe";  // on C:, so it is found before the long walk of D:
const char CANCEL_QUESTION[] =
    "The removal process is currently running. It is recommended that you let the scanner fully search your "
    "computer. Are you sure you want to cancel?";
const char CLOSE_QUESTION[] =
    "The removal process is currently running. It is recommend that you let the scanner fully search your "
    "computer. Are you sure you want to close?";

class PurgewellBusy : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA("C:\\found", nullptr);
    ASSERT_TRUE(WriteVexlorFile(EARLY_FILE, 0x411A3D2A));
  }
  void TearDown() override {
    if (program.process != nullptr && WaitForSingleObject(program.process, 0) != WAIT_OBJECT_0) {
      TerminateProcess(program.process, 99);
      ADD_FAILURE() << "Purgewell was still running at the end of the test";
    }
    Abandon(&program);
    DeleteFileA(EARLY_FILE);
  }
  std::string Status() { return ItemText(program.window, IDC_STATUS); }
  // Started and seen walking the long folder of D:.
  void StartLongScan() {
    ASSERT_TRUE(StartPurgewell(&program));
    ClickButton(program.window, IDC_START_STOP);
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Please close any resource-consuming applications before clicking OK",
                                   false, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return Status().compare(0, 8, "D:\\many\\") == 0; })) << "status: " << Status();
  }
  // The scan goes on: the status moves on to other files of the long folder.
  ::testing::AssertionResult StillScanning() {
    std::string before = Status();
    if (!WaitUntil([&] { std::string now = Status(); return now != before && now.compare(0, 8, "D:\\many\\") == 0; })) {
      return ::testing::AssertionFailure() << "the status stayed at \"" << before << "\"";
    }
    if (ItemText(program.window, IDC_START_STOP) != "&Stop") return ::testing::AssertionFailure() << "button is not &Stop";
    return ::testing::AssertionSuccess();
  }
  std::vector<std::string> Log() { return ListBoxLines(GetDlgItem(program.window, IDC_SCAN_LOG)); }
  RunningProgram program = {nullptr, 0, nullptr};
};

TEST_F(PurgewellBusy, StopAsksFirstNoGoesOnYesStopsAndOffersRemovalOfWhatWasFound) {
  StartLongScan();
  EXPECT_EQ("&Stop", ItemText(program.window, IDC_START_STOP));
  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, CANCEL_QUESTION, true, IDNO));
  EXPECT_TRUE(StillScanning());
  EXPECT_EQ(2u, Log().size());

  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, CANCEL_QUESTION, true, IDYES));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "Vexlor was found in 1 files on your PC. Would you like to remove the infected files?",
                                 true, IDYES));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "1 out of 1 files were successfully removed!", false, IDOK));
  std::vector<std::string> log = Log();
  ASSERT_EQ(3u, log.size());
  EXPECT_TRUE(IsTimeLine(log[0], "started"));
  EXPECT_EQ("A Vexlor.k infected file was found: C:\\found\\early.exe", log[1]);
  EXPECT_TRUE(IsTimeLine(log[2], "stopped"));
  EXPECT_EQ("Stopped", Status());
  EXPECT_EQ("&Start", ItemText(program.window, IDC_START_STOP));
  EXPECT_FALSE(FileExists(EARLY_FILE));

  PostMessageA(program.window, WM_CLOSE, 0, 0);  // idle: closes without a question
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(&program, &code));
  EXPECT_EQ(0u, code);
}

TEST_F(PurgewellBusy, CloseAsksFirstNoStaysOpenYesEndsTheProgramAndRemovesNothing) {
  StartLongScan();
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, CLOSE_QUESTION, true, IDNO));
  EXPECT_TRUE(IsWindowVisible(program.window));
  EXPECT_TRUE(StillScanning());

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, CLOSE_QUESTION, true, IDYES));
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(&program, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(FileExists(EARLY_FILE));
}

// Whatever the scanning thread is doing at that moment (walking, reporting a file, waiting for its
// message to be handled), closing ends the program with 0 and no crash.
TEST_F(PurgewellBusy, CloseAtOnceDuringTheWalkEndsCleanlyEveryTime) {
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    StartLongScan();
    for (int wait = 0; wait < round; ++wait) ASSERT_TRUE(StillScanning());
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, CLOSE_QUESTION, true, IDYES));
    DWORD code = 1;
    ASSERT_TRUE(WaitForExit(&program, &code));
    EXPECT_EQ(0u, code);
    Abandon(&program);
  }
}

}  // namespace
