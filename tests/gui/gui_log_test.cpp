// The scan log's context menu: where it opens, copying to the clipboard, saving as a log file, and the failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "resource.h"

namespace {

const int SAVE_AS_FILE_NAME = 1148;
const char SENTINEL[] = "clipboard text from before";
const char LOG_HEADER[] = "\r\n\r\nLog file dumped by Vexlor Removal Tool\r\nWritten by the Purgewell developers\r\n\r\n";
const int COPY_ITEM = 1, SAVE_ITEM = 2;  // Down presses: the separator is skipped

class PurgewellLog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartPurgewell(&program));
    scanLog = GetDlgItem(program.window, IDC_SCAN_LOG);
  }
  void TearDown() override {
    CloseIfRunning(&program);
    Abandon(&program);
    for (const char* path : {"E:\\kept.exe", "D:\\saved.log"}) {
      SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(path);
    }
  }
  // One run that finds one file and keeps it: three lines in the log.
  void RunWithOneFinding() {
    ASSERT_TRUE(WriteVexlorFile("E:\\kept.exe", 0xE100707E));
    ClickButton(program.window, IDC_START_STOP);
    ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Please close any resource-consuming applications before clicking OK",
                                   false, IDOK));
    ASSERT_TRUE(KeepTheOneFoundFile(program.processId));
    ASSERT_TRUE(WaitUntil([&] { return ItemText(program.window, IDC_START_STOP) == "&Start"; }));
    ASSERT_EQ(3u, ListBoxLines(scanLog).size());
  }
  RECT LogBounds() {
    RECT bounds;
    GetWindowRect(scanLog, &bounds);
    return bounds;
  }
  // Opens the menu with a right-click position inside the log and picks an item by keys.
  void PickFromLogMenu(int downPresses) {
    RECT bounds = LogBounds();
    RequestContextMenu(program.window, scanLog, (bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    HWND menu = WaitForContextMenu(program.processId);
    ASSERT_NE(nullptr, menu);
    PickMenuItem(menu, downPresses);
    ASSERT_TRUE(WaitUntil([&] { return FindContextMenu(program.processId) == nullptr; }));
  }
  HWND WaitForSaveAs() { return WaitForProcessWindow(program.processId, "#32770", "Save As"); }
  void SaveAs(const char* path) {
    PickFromLogMenu(SAVE_ITEM);
    HWND saveAs = WaitForSaveAs();
    ASSERT_NE(nullptr, saveAs);
    SendMessageA(GetDlgItem(saveAs, SAVE_AS_FILE_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageA(saveAs, WM_COMMAND, IDOK, 0);
  }
  // The Save As dialog's own question when the file exists (Wine titles it "Error"), answered Yes.
  void ConfirmReplace() {
    MessageBoxSeen replace;
    ASSERT_TRUE(WaitForMessageBox(program.processId, nullptr, &replace));
    ASSERT_TRUE(replace.hasYesNo) << "Save As says: " << replace.text;
    ASSERT_TRUE(AnswerMessageBox(replace, IDYES));
  }
  std::string LogAsText() {
    std::string text;
    for (const std::string& line : ListBoxLines(scanLog)) text += line + "\r\n";
    return text;
  }
  RunningProgram program = {nullptr, 0, nullptr};
  HWND scanLog = nullptr;
};

TEST_F(PurgewellLog, CopyPutsExactlyTheLinesEachEndedWithCrLfOnTheClipboard) {
  RunWithOneFinding();
  ASSERT_TRUE(SetClipboardText(SENTINEL));
  PickFromLogMenu(COPY_ITEM);
  ASSERT_TRUE(WaitUntil([&] { return ClipboardText() != SENTINEL; }));
  std::vector<std::string> lines = ListBoxLines(scanLog);
  EXPECT_EQ(lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n", ClipboardText());
  EXPECT_EQ("A Vexlor.r infected file was found: E:\\kept.exe", lines[1]);
}

TEST_F(PurgewellLog, SaveWritesTheHeaderThenTheLinesByteForByte) {
  RunWithOneFinding();
  SaveAs("D:\\saved.log");
  ASSERT_TRUE(WaitUntil([&] { return FindProcessWindow(program.processId, "#32770", "Save As") == nullptr; }));
  ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
  std::string saved;
  ASSERT_TRUE(ReadWholeFile("D:\\saved.log", &saved));
  EXPECT_EQ(std::string(LOG_HEADER) + LogAsText(), saved);
}

// A name the ANSI code page cannot spell shows as it is in the log; the clipboard's UTF-16 text carries it
// (its ANSI text a "?" for each character), and the saved log is UTF-8 after a byte-order mark.
TEST_F(PurgewellLog, NameOutsideTheCodePageReachesTheLogTheClipboardAndTheSavedLog) {
  const char folder[] = "E:\\Документы";
  const char path[] = "E:\\Документы\\файл.exe";
  ASSERT_TRUE(CreateDirectoryW(Wide(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(WriteVexlorFile(path, 0xE100707E));
  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Please close any resource-consuming applications before clicking OK",
                                 false, IDOK));
  ASSERT_TRUE(KeepTheOneFoundFile(program.processId));
  ASSERT_TRUE(WaitUntil([&] { return ItemText(program.window, IDC_START_STOP) == "&Start"; }));
  std::vector<std::string> lines = ListBoxLines(scanLog, CP_UTF8);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(std::string("A Vexlor.r infected file was found: ") + path, lines[1]);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";

  PickFromLogMenu(COPY_ITEM);
  EXPECT_EQ(text, ClipboardUnicodeText());
  std::string ansi = ClipboardText();
  EXPECT_NE(std::string::npos, ansi.find("A Vexlor.r infected file was found: E:\\?????????\\????.exe\r\n")) << ansi;

  SaveAs("D:\\saved.log");
  ASSERT_TRUE(WaitUntil([&] { return FindProcessWindow(program.processId, "#32770", "Save As") == nullptr; }));
  ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
  std::string saved;
  ASSERT_TRUE(ReadWholeFile("D:\\saved.log", &saved));
  EXPECT_EQ(std::string("\xEF\xBB\xBF") + LOG_HEADER + text, saved);
  DeleteFileW(Wide(path).c_str());
  RemoveDirectoryW(Wide(folder).c_str());
}

TEST_F(PurgewellLog, WithAnEmptyLogNeitherItemDoesAnything) {
  ASSERT_TRUE(SetClipboardText(SENTINEL));
  PickFromLogMenu(COPY_ITEM);
  PickFromLogMenu(SAVE_ITEM);
  ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
  EXPECT_EQ(nullptr, FindProcessWindow(program.processId, "#32770", "Save As"));
  EXPECT_EQ(SENTINEL, ClipboardText());
}

TEST_F(PurgewellLog, RightClickOutsideTheLogShowsNoMenu) {
  RECT bounds = LogBounds();
  HWND outside[] = {GetDlgItem(program.window, IDC_START_STOP), GetDlgItem(program.window, IDC_STATUS), program.window};
  for (HWND source : outside) {
    RequestContextMenu(program.window, source, bounds.left + 5, bounds.bottom + 20);
    ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
    EXPECT_EQ(nullptr, FindContextMenu(program.processId));
  }
}

// Where the menu opens: at the click, read as signed coordinates (a monitor left of or above the
// primary one has negative ones; on this one screen the menu is then kept at the left or top edge),
// and at the scan log for a request from the keyboard (both -1).
struct MenuPlace {
  const char* name;
  int x, y;  // relative to the log's top-left corner, except for the keyboard request
  bool keyboard;
};

class PurgewellMenuPlace : public PurgewellLog, public ::testing::WithParamInterface<MenuPlace> {};

TEST_P(PurgewellMenuPlace, MenuOpensWhereAsked) {
  const MenuPlace& place = GetParam();
  RECT bounds = LogBounds();
  int x = place.keyboard ? -1 : place.x, y = place.keyboard ? -1 : place.y;
  if (!place.keyboard && place.x >= 0) x = bounds.left + place.x;
  if (!place.keyboard && place.y >= 0) y = bounds.top + place.y;
  RequestContextMenu(program.window, scanLog, x, y);
  HWND menu = WaitForContextMenu(program.processId);
  ASSERT_NE(nullptr, menu);
  RECT at;
  GetWindowRect(menu, &at);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (place.keyboard) {
    EXPECT_EQ(bounds.left, at.left);
    EXPECT_EQ(bounds.top, at.top);
  } else {
    if (x < 0) {
      EXPECT_LT(at.left, screenWidth / 2) << "menu at x " << at.left;
    } else {
      EXPECT_EQ(x, at.left);
    }
    if (y < 0) {
      EXPECT_LT(at.top, screenHeight / 2) << "menu at y " << at.top;
    } else {
      EXPECT_EQ(y, at.top);
    }
  }
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return FindContextMenu(program.processId) == nullptr; }));
}

const MenuPlace MENU_PLACES[] = {
    {"InsideTheLog", 30, 20, false},
    {"LeftOfThePrimaryMonitor", -200, 20, false},
    {"AboveThePrimaryMonitor", 30, -150, false},
    {"FromTheKeyboard", 0, 0, true},
};

INSTANTIATE_TEST_SUITE_P(Places, PurgewellMenuPlace, ::testing::ValuesIn(MENU_PLACES),
                         [](const ::testing::TestParamInfo<MenuPlace>& info) { return std::string(info.param.name); });

// A real right button press over the log, through the input queue.
TEST_F(PurgewellLog, RightMouseButtonOnTheLogOpensTheMenu) {
  RECT bounds = LogBounds();
  SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
  INPUT clicks[2];
  ZeroMemory(clicks, sizeof clicks);
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  ASSERT_EQ(2u, SendInput(2, clicks, sizeof(INPUT)));
  HWND menu = WaitForContextMenu(program.processId);
  ASSERT_NE(nullptr, menu);
  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return FindContextMenu(program.processId) == nullptr; }));
}

// A file that cannot be replaced (another program has it open without sharing), and a write that fails
// part-way (F:\full.log leads to /dev/full, so every write finds the disk full): the user is told, and no
// file that looks like a saved log is left behind.
TEST_F(PurgewellLog, SaveToAFileThatCannotBeCreatedIsReportedAndLeavesItUntouched) {
  RunWithOneFinding();
  ASSERT_TRUE(WriteWholeFile("F:\\locked.log", "older contents"));
  HANDLE locked = CreateFileA("F:\\locked.log", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  SaveAs("F:\\locked.log");
  ConfirmReplace();
  EXPECT_TRUE(ExpectBoxAndAnswer(program.processId, "The log file could not be saved.", false, IDOK));
  CloseHandle(locked);
  std::string contents;
  ASSERT_TRUE(ReadWholeFile("F:\\locked.log", &contents));
  EXPECT_EQ("older contents", contents);
  DeleteFileA("F:\\locked.log");
}

TEST_F(PurgewellLog, SaveWhoseWriteFailsIsReported) {
  RunWithOneFinding();
  ASSERT_TRUE(ListedInItsFolder("F:\\full.log"));
  SaveAs("F:\\full.log");  // Wine reports no attributes for a device file, so no replace question comes
  EXPECT_TRUE(ExpectBoxAndAnswer(program.processId, "The log file could not be saved.", false, IDOK));
  // The program deletes what it wrote; Wine cannot delete a device's entry, so only the box is checked here.
}

}  // namespace
