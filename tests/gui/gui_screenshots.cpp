// Not a test: poses Purgewell.exe for the pictures in docs/ (run only by take-screenshots.sh, which takes them).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver.h"
#include "resource.h"

namespace {


// Tells the script the window is posed, with the screen rectangle to keep, and waits until it has the picture.
void Pose(const char* name, HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  char ready[MAX_PATH], done[MAX_PATH];
  snprintf(ready, sizeof ready, "C:\\bin\\%s.ready", name);
  snprintf(done, sizeof done, "C:\\bin\\%s.done", name);
  char rectangle[64];
  snprintf(rectangle, sizeof rectangle, "%ldx%ld+%ld+%ld\n", bounds.right - bounds.left, bounds.bottom - bounds.top,
           bounds.left, bounds.top);
  ASSERT_TRUE(WriteWholeFile(ready, rectangle));
  ASSERT_TRUE(WaitUntil([&] { return FileExists(done); }));
}

TEST(DISABLED_Screenshots, MainWindowDuringARunWithFindingsAndTheAboutBox) {
  CreateDirectoryA("C:\\found", nullptr);
  ASSERT_TRUE(WriteVexlorFile("C:\\found\\invoice.exe", 0xB566B395));
  ASSERT_TRUE(WriteVexlorFile("C:\\found\\update.scr", 0x7278A0B5));
  RunningProgram program = {nullptr, 0, nullptr};
  ASSERT_TRUE(StartPurgewell(&program));

  ClickButton(program.window, IDC_ABOUT);
  HWND about = WaitForProcessWindow(program.processId, "#32770", "About Vexlor Removal Tool");
  ASSERT_NE(nullptr, about);
  ASSERT_TRUE(PostedMessagesHandled(about, IDOK));
  Pose("about", about);
  ClickButton(about, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));

  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Please close any resource-consuming applications before clicking OK",
                                 false, IDOK));
  ASSERT_TRUE(WaitUntil([&] { return ItemText(program.window, IDC_STATUS).compare(0, 8, "D:\\many\\") == 0; }));
  Pose("main", program.window);

  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "The removal process is currently running. It is recommended that you let the scanner "
                                 "fully search your computer. Are you sure you want to cancel?",
                                 true, IDYES));
  MessageBoxSeen question;
  ASSERT_TRUE(WaitForMessageBox(program.processId, "Vexlor Removal Tool", &question));
  ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
  Pose("removal", program.window);
  ASSERT_TRUE(AnswerMessageBox(question, IDNO));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId,
                                 "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue?",
                                 true, IDYES));
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(WaitForExit(&program, &code));
  Abandon(&program);
}

}  // namespace
