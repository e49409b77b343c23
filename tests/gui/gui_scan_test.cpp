// Whole runs of Purgewell.exe: a clean run, a second run, and every answer path of the removal dialogue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "resource.h"

namespace {


const char* const FIXTURE_FILES[] = {"D:\\x\\victim.dll", "D:\\games\\setup.exe", "D:\\games\\clean.exe", "E:\\tool.com",
                                     "F:\\floppy.exe", "E:\\second.exe", "D:\\x-moved\\victim.dll",
                                     "F:\\elsewhere\\victim.dll", "C:\\swap-done"};

class Purgewell : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseIfRunning(&program);
    Abandon(&program);
    for (const char* path : FIXTURE_FILES) {
      SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path);
    }
  }
  // Start with the reminder box answered; the administrator is the prefix's ordinary (administrator) user.
  void StartScan() {
    ClickButton(program.window, IDC_START_STOP);
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Please close any resource-consuming applications before clicking OK",
                                   false, IDOK));
  }
  std::vector<std::string> Log() { return ListBoxLines(GetDlgItem(program.window, IDC_SCAN_LOG)); }
  RunningProgram program = {nullptr, 0, nullptr};
};

TEST_F(Purgewell, CleanRunReportsNothingFoundAndGoesIdle) {
  ASSERT_TRUE(StartPurgewell(&program));
  EXPECT_EQ("Start", ItemText(program.window, IDC_START_STOP));
  EXPECT_EQ("Not scanning", ItemText(program.window, IDC_STATUS));
  EXPECT_TRUE(Log().empty());
  StartScan();
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Vexlor was not found on your computer!", false, IDOK));
  std::vector<std::string> log = Log();
  ASSERT_EQ(2u, log.size());
  EXPECT_TRUE(IsTimeLine(log[0], "started"));
  EXPECT_TRUE(IsTimeLine(log[1], "finished"));
  EXPECT_EQ("&Start", ItemText(program.window, IDC_START_STOP));
  EXPECT_EQ("Completed", ItemText(program.window, IDC_STATUS));
}

TEST_F(Purgewell, SecondRunAppendsItsLinesBelowTheFirst) {
  ASSERT_TRUE(WriteVexlorFile("E:\\second.exe", 0x67081651));
  ASSERT_TRUE(StartPurgewell(&program));
  StartScan();
  ASSERT_TRUE(KeepTheOneFoundFile(program.processId));
  ASSERT_TRUE(WaitUntil([&] { return ItemText(program.window, IDC_START_STOP) == "&Start"; }));
  std::vector<std::string> first = Log();
  StartScan();
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "Vexlor was found in 1 files on your PC. Would you like to remove the infected files?",
                                 true, IDYES));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "1 out of 1 files were successfully removed!", false, IDOK));
  std::vector<std::string> log = Log();
  ASSERT_EQ(6u, log.size());
  EXPECT_EQ(first, std::vector<std::string>(log.begin(), log.begin() + 3));
  EXPECT_TRUE(IsTimeLine(log[3], "started"));
  EXPECT_EQ("A Vexlor.z infected file was found: E:\\second.exe", log[4]);
  EXPECT_TRUE(IsTimeLine(log[5], "finished"));
  EXPECT_FALSE(FileExists("E:\\second.exe"));
}

// The removal dialogue: Yes removes; No then No ("not sure") removes; No then Yes keeps the files.
struct RemovalAnswers {
  const char* name;
  int first;
  int second;  // 0: no second question
  bool removed;
};

class PurgewellRemoval : public Purgewell, public ::testing::WithParamInterface<RemovalAnswers> {};

TEST_P(PurgewellRemoval, FilesOnTwoFixedDrivesAreListedAndHandledAsAnswered) {
  const RemovalAnswers& answers = GetParam();
  ASSERT_TRUE(CreateDirectoryA("D:\\games", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(WriteVexlorFile("D:\\games\\setup.exe", 0xB566B395));
  ASSERT_TRUE(WriteVexlorFile("E:\\tool.com", 0x7278A0B5));
  ASSERT_TRUE(SetFileAttributesA("E:\\tool.com", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(WriteVexlorFile("F:\\floppy.exe", 0xB566B395));  // removable drive: never scanned
  ASSERT_TRUE(WriteWholeFile("D:\\games\\clean.exe", "an ordinary program"));

  ASSERT_TRUE(StartPurgewell(&program));
  StartScan();
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "Vexlor was found in 2 files on your PC. Would you like to remove the infected files?",
                                 true, answers.first));
  if (answers.second != 0) {
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                   "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue?",
                                   true, answers.second));
  }
  if (answers.removed) {
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "2 out of 2 files were successfully removed!", false, IDOK));
  }
  ASSERT_TRUE(WaitUntil([&] { return ItemText(program.window, IDC_START_STOP) == "&Start"; }));
  ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
  EXPECT_EQ(nullptr, FindMessageBox(program.processId, "Vexlor Removal Tool"));

  std::vector<std::string> log = Log();
  ASSERT_EQ(4u, log.size());
  EXPECT_TRUE(IsTimeLine(log[0], "started"));
  EXPECT_EQ("A Vexlor.y infected file was found: D:\\games\\setup.exe", log[1]);
  EXPECT_EQ("A Vexlor.a infected file was found: E:\\tool.com", log[2]);
  EXPECT_TRUE(IsTimeLine(log[3], "finished"));
  EXPECT_EQ("Completed", ItemText(program.window, IDC_STATUS));

  EXPECT_EQ(!answers.removed, FileExists("D:\\games\\setup.exe"));
  EXPECT_EQ(!answers.removed, FileExists("E:\\tool.com"));
  EXPECT_TRUE(FileExists("F:\\floppy.exe"));
  EXPECT_TRUE(FileExists("D:\\games\\clean.exe"));
}

// Wine's programs cannot make links: run-gui-test.sh --link-swaps renames the folder and puts a link to target
// in its place when asked.
bool SwapFolderForLink(const char* folder, const char* target) {
  DeleteFileA("C:\\swap-done");
  if (!WriteWholeFile("C:\\swap-request", std::string(folder) + " " + target + "\n")) return false;
  return WaitUntil([] { return FileExists("C:\\swap-done"); });
}

// The folder of the found file swapped for a link to a folder holding a copy of it, while the question is open:
// Yes deletes nothing, and the window says so.
TEST_F(Purgewell, FolderSwappedForALinkBeforeTheAnswerDeletesNothing) {
  ASSERT_TRUE(CreateDirectoryA("D:\\x", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CreateDirectoryA("F:\\elsewhere", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  std::string body;
  ASSERT_TRUE(WriteVexlorFile("D:\\x\\victim.dll", 0xB566B395));
  ASSERT_TRUE(ReadWholeFile("D:\\x\\victim.dll", &body));
  ASSERT_TRUE(WriteWholeFile("F:\\elsewhere\\victim.dll", body));  // removable drive: never scanned

  ASSERT_TRUE(StartPurgewell(&program));
  StartScan();
  MessageBoxSeen question;
  ASSERT_TRUE(WaitForMessageBox(program.processId, "Vexlor Removal Tool", &question));
  EXPECT_EQ("Vexlor was found in 1 files on your PC. Would you like to remove the infected files?", question.text);
  ASSERT_TRUE(SwapFolderForLink("D:\\x", "F:\\elsewhere"));
  ASSERT_TRUE(AnswerMessageBox(question, IDYES));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "0 out of 1 files were successfully removed!", false, IDOK));
  ASSERT_TRUE(WaitUntil([&] { return ItemText(program.window, IDC_START_STOP) == "&Start"; }));

  std::string decoy, moved;
  EXPECT_TRUE(ReadWholeFile("F:\\elsewhere\\victim.dll", &decoy));
  EXPECT_EQ(body, decoy);
  EXPECT_TRUE(ReadWholeFile("D:\\x-moved\\victim.dll", &moved));
  EXPECT_EQ(body, moved);
}

const RemovalAnswers REMOVAL_ANSWERS[] = {
    {"Yes", IDYES, 0, true},
    {"NoThenNo", IDNO, IDNO, true},
    {"NoThenYes", IDNO, IDYES, false},
};

INSTANTIATE_TEST_SUITE_P(Answers, PurgewellRemoval, ::testing::ValuesIn(REMOVAL_ANSWERS),
                         [](const ::testing::TestParamInfo<RemovalAnswers>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// The scanning thread waits in the removal question (its box disables the window); a close request
// reaching the window then ends the program cleanly and deletes nothing.
TEST_F(Purgewell, CloseWhileTheRemovalQuestionIsOpenEndsCleanlyAndKeepsTheFiles) {
  ASSERT_TRUE(WriteVexlorFile("E:\\tool.com", 0x7278A0B5));
  ASSERT_TRUE(StartPurgewell(&program));
  StartScan();
  MessageBoxSeen question;
  ASSERT_TRUE(WaitForMessageBox(program.processId, "Vexlor Removal Tool", &question));
  EXPECT_EQ("Vexlor was found in 1 files on your PC. Would you like to remove the infected files?", question.text);
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(&program, &code));
  EXPECT_EQ(0u, code);
  EXPECT_TRUE(FileExists("E:\\tool.com"));
}

}  // namespace
