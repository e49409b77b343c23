// Starting: the administrator question, one instance at a time, the About box and the main window's keys.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "resource.h"

namespace {

const char REMINDER[] = "Please close any resource-consuming applications before clicking OK";
const char ADMIN_QUESTION[] =
    "You do not appear to have Administration priveleges which may be required to fully remove Vexlor from your "
    "computer. Do you want to continue?";
const char ALREADY_RUNNING[] =
    "Vexlor Removal Tool is already running. Please switch to the first instance of Vexlor Removal Tool or use the "
    "Task Manager to terminate the existing instance.";

class PurgewellStart : public ::testing::Test {
 protected:
  void TearDown() override {
    for (RunningProgram* started : {&program, &other}) {
      if (started->process != nullptr && WaitForSingleObject(started->process, 0) != WAIT_OBJECT_0 && started->window) {
        PostMessageA(started->window, WM_CLOSE, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(WaitForExit(started, &code));
      }
      Abandon(started);
    }
  }
  // Idle as after start-up: no box, nothing in the log, the first captions.
  void ExpectIdle() {
    ASSERT_TRUE(PostedMessagesHandled(program.window, IDC_START_STOP));
    EXPECT_EQ(nullptr, FindMessageBox(program.processId, nullptr));
    EXPECT_EQ("Start", ItemText(program.window, IDC_START_STOP));
    EXPECT_EQ("Not scanning", ItemText(program.window, IDC_STATUS));
    EXPECT_TRUE(ListBoxLines(GetDlgItem(program.window, IDC_SCAN_LOG)).empty());
  }
  bool AdvpackLoaded() {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(program.process, modules, sizeof modules, &bytes)) return true;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
      char name[MAX_PATH];
      if (GetModuleBaseNameA(program.process, modules[i], name, sizeof name) && lstrcmpiA(name, "advpack.dll") == 0) {
        return true;
      }
    }
    return false;
  }
  RunningProgram program = {nullptr, 0, nullptr};
  RunningProgram other = {nullptr, 0, nullptr};
};

// Run with the stand-in ADVPACK.DLL whose IsNTAdmin answers 0.
TEST_F(PurgewellStart, AdministratorQuestionNoLeavesTheWindowIdle) {
  ASSERT_TRUE(StartPurgewell(&program));
  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, ADMIN_QUESTION, true, IDNO));
  ExpectIdle();
  EXPECT_FALSE(AdvpackLoaded());
}

TEST_F(PurgewellStart, AdministratorQuestionYesShowsTheReminderAndStarts) {
  ASSERT_TRUE(StartPurgewell(&program));
  ClickButton(program.window, IDC_START_STOP);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, ADMIN_QUESTION, true, IDYES));
  EXPECT_FALSE(AdvpackLoaded());
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, REMINDER, false, IDOK));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Vexlor was not found on your computer!", false, IDOK));
  std::vector<std::string> log = ListBoxLines(GetDlgItem(program.window, IDC_SCAN_LOG));
  ASSERT_EQ(2u, log.size());
  EXPECT_TRUE(IsTimeLine(log[0], "started"));
}

// The already-running box has no owner, no main window opens and the program ends with 0.
void ExpectRefused(RunningProgram* refused) {
  MessageBoxSeen box;
  ASSERT_TRUE(WaitForMessageBox(refused->processId, "Vexlor Removal Tool", &box));
  EXPECT_EQ(ALREADY_RUNNING, box.text);
  EXPECT_TRUE(box.hasOk && !box.hasYesNo);
  EXPECT_EQ(nullptr, GetWindow(box.box, GW_OWNER));
  EXPECT_EQ(nullptr, FindProcessWindow(refused->processId, "PurgewellClass", nullptr));
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(refused, &code));
  EXPECT_EQ(0u, code);
}

// Runs a helper from the program folder with its output in a file; returns its exit code.
DWORD RunToEnd(const char* commandLine, std::string* output) {
  const char outputPath[] = "C:\\bin\\helper-output.txt";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = startup.hStdError = file;
  PROCESS_INFORMATION started;
  std::string line = commandLine;
  DWORD code = 999;
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, "C:\\bin", &startup, &started)) {
    if (WaitForSingleObject(started.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  CloseHandle(file);
  ReadWholeFile(outputPath, output);
  DeleteFileA(outputPath);
  return code;
}

TEST_F(PurgewellStart, AnotherProgramHoldingTheMutexKeepsPurgewellFromStarting) {
  ASSERT_TRUE(StartProgram("mutex_holder.exe hold", &other));
  ASSERT_TRUE(WaitUntil([] {
    HANDLE held = OpenMutexA(SYNCHRONIZE, FALSE, "PurgewellToolMutex");
    if (held != nullptr) CloseHandle(held);
    return held != nullptr;
  }));
  ASSERT_TRUE(StartProgram("Purgewell.exe", &program));
  ExpectRefused(&program);
}

TEST_F(PurgewellStart, RunningPurgewellKeepsASecondCopyFromStarting) {
  ASSERT_TRUE(StartPurgewell(&program));
  ASSERT_TRUE(StartProgram("Purgewell.exe", &other));
  ExpectRefused(&other);
  Abandon(&other);
  EXPECT_TRUE(IsWindowVisible(program.window));

  std::string output;
  EXPECT_EQ(183u, RunToEnd("C:\\bin\\mutex_holder.exe probe", &output));

  PostMessageA(program.window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(&program, &code));
  EXPECT_EQ(0u, code);
  EXPECT_EQ(0u, RunToEnd("C:\\bin\\mutex_holder.exe probe", &output));  // released with the window
}

// Needs the console program beside the driver; a tree built without it reports this case as skipped.
TEST_F(PurgewellStart, RunningPurgewellKeepsTheConsoleProgramFromStarting) {
  if (!FileExists("C:\\bin\\PurgewellConsole.exe")) GTEST_SKIP() << "PurgewellConsole.exe is not in C:\\bin";
  ASSERT_TRUE(StartPurgewell(&program));
  std::string output;
  RunToEnd("C:\\bin\\PurgewellConsole.exe", &output);
  EXPECT_NE(std::string::npos, output.find(ALREADY_RUNNING)) << output;
  EXPECT_EQ(std::string::npos, output.find("The removal process will now start")) << output;
}

// The width of a text's ink on the screen, in pixels: columns holding a dark pixel, first to last.
int InkWidth(HWND control) {
  RECT bounds;
  GetWindowRect(control, &bounds);
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
  int first = -1, last = -1;
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      COLORREF colour = GetPixel(memory, x, y);
      if (GetRValue(colour) + GetGValue(colour) + GetBValue(colour) < 200) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  SelectObject(memory, old);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return first < 0 ? 0 : last - first + 1;
}

int TextWidth(const char* text, int weight) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontA(-10, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  HGDIOBJ old = SelectObject(screen, font);
  SIZE size = {0, 0};
  GetTextExtentPoint32A(screen, text, lstrlenA(text), &size);
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return size.cx;
}

TEST_F(PurgewellStart, AboutBoxShowsItsTextsWithABoldTitleIgnoresEscAndClosesWithOk) {
  ASSERT_TRUE(StartPurgewell(&program));
  ClickButton(program.window, IDC_ABOUT);
  HWND about = WaitForProcessWindow(program.processId, "#32770", "About Vexlor Removal Tool");
  ASSERT_NE(nullptr, about);
  EXPECT_EQ(program.window, GetWindow(about, GW_OWNER));
  EXPECT_EQ("Vexlor Removal Tool", ItemText(about, 1203));
  EXPECT_EQ("Written by the Purgewell developers", ItemText(about, 1204));
  EXPECT_EQ("https://purgewell.example/", ItemText(about, 1205));
  EXPECT_EQ("This tool cleans your computer of every Vexlor variant seen in the wild so far. It is based on the "
            "virus reports published by antivirus companies.",
            ItemText(about, 1206));
  EXPECT_EQ("OK", ItemText(about, IDOK));

  // Fonts cannot be read from another process: the title's ink on the screen must be as wide as the bold text.
  // The box is moved to the screen's corner first, away from the centred windows of tests running beside this one.
  HWND title = GetDlgItem(about, 1203);
  SetWindowPos(about, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
  ASSERT_TRUE(WaitUntil([&] { RECT at; GetWindowRect(about, &at); return at.left == 0 && at.top == 0; }));
  ASSERT_TRUE(PostedMessagesHandled(about, IDOK));
  int ink = InkWidth(title), bold = TextWidth("Vexlor Removal Tool", FW_BOLD), normal = TextWidth("Vexlor Removal Tool", FW_NORMAL);
  ASSERT_NE(bold, normal);
  EXPECT_LT(std::abs(ink - bold), std::abs(ink - normal)) << "ink " << ink << ", bold " << bold << ", normal " << normal;

  PostMessageA(GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(GetDlgItem(about, IDOK), WM_KEYUP, VK_ESCAPE, 0xC0000000);
  ASSERT_TRUE(PostedMessagesHandled(about, IDOK));
  EXPECT_TRUE(IsWindow(about) && IsWindowVisible(about));

  ClickButton(about, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
  EXPECT_TRUE(IsWindowVisible(program.window));
}

// Focus starts on Start; Esc does nothing; Enter presses the default button, Start.
TEST_F(PurgewellStart, MainWindowKeysEscDoesNothingEnterStarts) {
  ASSERT_TRUE(StartPurgewell(&program));
  GUITHREADINFO input;
  ZeroMemory(&input, sizeof input);
  input.cbSize = sizeof input;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(program.window, nullptr), &input));
  HWND start = GetDlgItem(program.window, IDC_START_STOP);
  EXPECT_EQ(start, input.hwndFocus);

  PostMessageA(start, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(start, WM_KEYUP, VK_ESCAPE, 0xC0000000);
  ExpectIdle();
  EXPECT_TRUE(IsWindowVisible(program.window));

  PostMessageA(start, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(start, WM_KEYUP, VK_RETURN, 0xC0000000);
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, REMINDER, false, IDOK));
  ASSERT_TRUE(ExpectBoxAndAnswer(program.processId, "Vexlor was not found on your computer!", false, IDOK));
}

}  // namespace
