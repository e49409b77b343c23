// Test driver helpers: start Purgewell.exe and drive its windows from outside, as a user would.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "poll.h"

// Folder (inside the test prefix) holding Purgewell.exe and the helper programs.
extern const char* const ProgramFolder;

struct RunningProgram {
  HANDLE process;
  DWORD processId;
  HWND window;  // the main dialog, once shown
};

// Starts a program from ProgramFolder; false when it cannot be started.
bool StartProgram(const char* name, RunningProgram* program);
// Starts Purgewell.exe and waits for its main window.
bool StartPurgewell(RunningProgram* program);
// Waits for the process to end; false on time-out. *exitCode gets its exit code.
bool WaitForExit(RunningProgram* program, DWORD* exitCode);
void Abandon(RunningProgram* program);  // kills it if still running and closes the handle
// At the end of a test: a Purgewell still running is closed (idle, so without a question) and must exit with 0.
void CloseIfRunning(RunningProgram* program);


// A visible top-level window of the process with this class and (when not null) this title.
HWND FindProcessWindow(DWORD processId, const char* className, const char* title);
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title);

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// Each line in codePage (CP_UTF8 for the real names).
std::vector<std::string> ListBoxLines(HWND listBox, UINT codePage = CP_ACP);

// Message boxes: "#32770" windows with the program's title; text in static 65535.
HWND FindMessageBox(DWORD processId, const char* title);
struct MessageBoxSeen {
  HWND box;
  std::string text;
  bool hasYesNo;  // Yes and No buttons
  bool hasOk;     // an OK button
};
bool WaitForMessageBox(DWORD processId, const char* title, MessageBoxSeen* seen);
// Answers with IDYES, IDNO or IDOK and waits for the box to go.
bool AnswerMessageBox(const MessageBoxSeen& seen, int button);
// Waits for a box with exactly this text and answers it; the failure message names what was seen.
::testing::AssertionResult ExpectBoxAndAnswer(DWORD processId, const std::string& text, bool yesNo, int answer);
// Answers the removal question of a run that found one file with No, and the warning after it with Yes:
// the file is kept.
::testing::AssertionResult KeepTheOneFoundFile(DWORD processId);

// Posted, not sent: a sent click would block until the message box it opens is closed.
void ClickButton(HWND dialog, int id);
// Returns once every message posted to the dialog's thread before it has been handled.
bool PostedMessagesHandled(HWND dialog, int buttonId);

// The scan log's context menu: request it at a screen position, then pick an item by keys.
void RequestContextMenu(HWND dialog, HWND source, int x, int y);
HWND WaitForContextMenu(DWORD processId);
HWND FindContextMenu(DWORD processId);
void PickMenuItem(HWND menu, int downPresses);

bool SetClipboardText(const std::string& text);
std::string ClipboardText();
std::string ClipboardUnicodeText();  // as UTF-8

// Paths of the helpers below are UTF-8.
std::wstring Wide(const char* utf8);
std::string Utf8(const wchar_t* wide);

// Files on the fixture drives.
bool WriteWholeFile(const char* path, const std::string& contents);
bool ReadWholeFile(const char* path, std::string* contents);
bool FileExists(const char* path);
// Found by a directory listing (device files have no attributes under Wine).
bool ListedInItsFolder(const char* path);
// A stand-in Vexlor file: ordinary bytes whose CRC-32 is forged to a signature-table value.
bool WriteVexlorFile(const char* path, uint32_t crc);
// A string value under the machine's Run key; view 0, or KEY_WOW64_64KEY / KEY_WOW64_32KEY for one
// registry view of 64-bit Windows.
bool SetRunValue(const char* name, const char* command, REGSAM view = 0);
bool RunValueExists(const char* name, REGSAM view = 0);

// "--- Removal process <verb> at hh:mm:ss on D Month YYYY ---", dated today or the day the tests began.
::testing::AssertionResult IsTimeLine(const std::string& line, const char* verb);
