// Test driver helpers: windows found by class, title and process; clicks, keys and answers posted from outside.
#include "driver.h"

#include <cstdio>
#include <cstring>

#include "crc_forge.h"
#include "text.h"
#include "window_search.h"

const char* const ProgramFolder = "C:\\bin";

bool StartProgram(const char* name, RunningProgram* program) {
  char commandLine[MAX_PATH];
  snprintf(commandLine, sizeof commandLine, "%s\\%s", ProgramFolder, name);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started;
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, ProgramFolder, &startup, &started)) {
    return false;
  }
  CloseHandle(started.hThread);
  program->process = started.hProcess;
  program->processId = started.dwProcessId;
  program->window = nullptr;
  return true;
}

bool StartPurgewell(RunningProgram* program) {
  if (!StartProgram("Purgewell.exe", program)) return false;
  program->window = WaitForProcessWindow(program->processId, "PurgewellClass", nullptr);
  return program->window != nullptr;
}

bool WaitForExit(RunningProgram* program, DWORD* exitCode) {
  if (WaitForSingleObject(program->process, 60000) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(program->process, exitCode);
  return true;
}

void Abandon(RunningProgram* program) {
  if (program->process == nullptr) return;
  if (WaitForSingleObject(program->process, 0) != WAIT_OBJECT_0) TerminateProcess(program->process, 99);
  CloseHandle(program->process);
  program->process = nullptr;
}

void CloseIfRunning(RunningProgram* program) {
  if (program->process == nullptr || WaitForSingleObject(program->process, 0) == WAIT_OBJECT_0) return;
  PostMessageA(program->window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(WaitForExit(program, &code));
  EXPECT_EQ(0u, code);
}

HWND FindProcessWindow(DWORD processId, const char* className, const char* title) {
  return FindWantedWindow(WindowWanted{processId, className, title, false, nullptr});
}

HWND FindMessageBox(DWORD processId, const char* title) {
  return FindWantedWindow(WindowWanted{processId, "#32770", title, true, nullptr});
}

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindProcessWindow(processId, className, title)) != nullptr; });
  return found;
}

std::string WindowText(HWND window) {
  char text[1024];
  text[0] = '\0';
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  text[sizeof text - 1] = '\0';
  return text;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

// Across processes the ANSI LB_GETTEXT answers in UTF-16 under Wine: read wide and convert.
std::vector<std::string> ListBoxLines(HWND listBox, UINT codePage) {
  std::vector<std::string> lines;
  LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, i, 0);
    if (length < 0) break;
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&wide[0]));
    if (got < 0) break;
    wide.resize(static_cast<size_t>(got));
    char line[2048];
    int bytes = WideCharToMultiByte(codePage, 0, wide.c_str(), static_cast<int>(wide.size()), line, sizeof line - 1,
                                    nullptr, nullptr);
    lines.push_back(std::string(line, static_cast<size_t>(bytes > 0 ? bytes : 0)));
  }
  return lines;
}

static void DescribeBox(HWND box, MessageBoxSeen* seen) {
  seen->box = box;
  seen->text = ItemText(box, 0xFFFF);
  seen->hasYesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
  seen->hasOk = GetDlgItem(box, IDOK) != nullptr;
}

bool WaitForMessageBox(DWORD processId, const char* title, MessageBoxSeen* seen) {
  HWND box = nullptr;
  if (!WaitUntil([&] { return (box = FindMessageBox(processId, title)) != nullptr; })) return false;
  DescribeBox(box, seen);
  return true;
}

bool AnswerMessageBox(const MessageBoxSeen& seen, int button) {
  PostMessageA(seen.box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(seen.box, button)));
  return WaitUntil([&] { return !IsWindow(seen.box) || !IsWindowVisible(seen.box); });
}

::testing::AssertionResult ExpectBoxAndAnswer(DWORD processId, const std::string& text, bool yesNo, int answer) {
  MessageBoxSeen seen;
  if (!WaitForMessageBox(processId, "Vexlor Removal Tool", &seen)) {
    return ::testing::AssertionFailure() << "no message box appeared; expected \"" << text << "\"";
  }
  if (seen.text != text) return ::testing::AssertionFailure() << "box says \"" << seen.text << "\", expected \"" << text << "\"";
  if (yesNo && !seen.hasYesNo) return ::testing::AssertionFailure() << "box \"" << text << "\" has no Yes/No buttons";
  if (!yesNo && (seen.hasYesNo || !seen.hasOk)) return ::testing::AssertionFailure() << "box \"" << text << "\" is not OK-only";
  if (!AnswerMessageBox(seen, answer)) return ::testing::AssertionFailure() << "box \"" << text << "\" did not close";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult KeepTheOneFoundFile(DWORD processId) {
  ::testing::AssertionResult question = ExpectBoxAndAnswer(
      processId, "Vexlor was found in 1 files on your PC. Would you like to remove the infected files?", true, IDNO);
  if (!question) return question;
  return ExpectBoxAndAnswer(
      processId, "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue?", true, IDYES);
}

void ClickButton(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Posted messages of one thread are handled in order: a posted state change on a button, once seen,
// proves that everything posted before it has been dealt with.
bool PostedMessagesHandled(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  PostMessageA(button, BM_SETSTATE, TRUE, 0);
  bool pushed = WaitUntil([&] { return (SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; });
  PostMessageA(button, BM_SETSTATE, FALSE, 0);
  bool released = WaitUntil([&] { return (SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED) == 0; });
  return pushed && released;
}

void RequestContextMenu(HWND dialog, HWND source, int x, int y) {
  LPARAM position = static_cast<LPARAM>(MAKELONG(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y))));
  PostMessageA(dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source), position);
}

HWND FindContextMenu(DWORD processId) { return FindProcessWindow(processId, "#32768", nullptr); }

HWND WaitForContextMenu(DWORD processId) {
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindContextMenu(processId)) != nullptr; });
  return menu;
}

void PickMenuItem(HWND menu, int downPresses) {
  for (int i = 0; i < downPresses; ++i) {
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYUP, VK_DOWN, 0xC0000000);
  }
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(menu, WM_KEYUP, VK_RETURN, 0xC0000000);
}

static bool OpenClipboardPatiently() {
  return WaitUntil([] { return OpenClipboard(nullptr) != FALSE; });
}

bool SetClipboardText(const std::string& text) {
  if (!OpenClipboardPatiently()) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  bool given = false;
  if (block != nullptr) {
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    given = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!given) GlobalFree(block);
  }
  CloseClipboard();
  return given;
}

// The clipboard's text in one format: CF_TEXT as its bytes, CF_UNICODETEXT as UTF-8.
static std::string ClipboardData(UINT format) {
  if (!OpenClipboardPatiently()) return "<clipboard busy>";
  std::string text = "<no text>";
  HANDLE data = GetClipboardData(format);
  const void* locked = data != nullptr ? GlobalLock(data) : nullptr;
  if (locked != nullptr) {
    text = format == CF_UNICODETEXT ? Utf8(static_cast<const wchar_t*>(locked)) : static_cast<const char*>(locked);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

std::string ClipboardText() { return ClipboardData(CF_TEXT); }

std::string ClipboardUnicodeText() { return ClipboardData(CF_UNICODETEXT); }

std::wstring Wide(const char* utf8) {
  std::wstring wide(Text_Utf16LengthOf(utf8) + 1, L'\0');
  Text_ToUtf16(reinterpret_cast<uint16_t*>(&wide[0]), wide.size(), utf8);
  wide.resize(wide.size() - 1);
  return wide;
}

std::string Utf8(const wchar_t* wide) {
  const uint16_t* units = reinterpret_cast<const uint16_t*>(wide);
  std::string text(Text_Utf8LengthOf(units) + 1, '\0');
  Text_FromUtf16(&text[0], text.size(), units);
  text.resize(text.size() - 1);
  return text;
}

bool WriteWholeFile(const char* path, const std::string& contents) {
  HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == contents.size();
}

bool ReadWholeFile(const char* path, std::string* contents) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  contents->clear();
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) contents->append(block, got);
  CloseHandle(file);
  return true;
}

bool FileExists(const char* path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ListedInItsFolder(const char* path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(path, &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

bool WriteVexlorFile(const char* path, uint32_t crc) {
  return WriteWholeFile(path, ForgeCrc32(std::string("stand-in Vexlor body for ") + path, crc));
}

static const char RUN_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool SetRunValue(const char* name, const char* command, REGSAM view) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command), lstrlenA(command) + 1);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

bool RunValueExists(const char* name, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return false;
  LONG result = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

static SYSTEMTIME LocalNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

// The driver's first day: a run that crosses midnight shows it in its earlier lines.
static const SYSTEMTIME driverStarted = LocalNow();

static std::string DateSuffix(const SYSTEMTIME& day) {
  static const char* const months[] = {"", "January", "February", "March", "April", "May", "June", "July",
                                       "August", "September", "October", "November", "December"};
  char suffix[64];
  snprintf(suffix, sizeof suffix, " on %d %s %d ---", day.wDay, months[day.wMonth], day.wYear);
  return suffix;
}

::testing::AssertionResult IsTimeLine(const std::string& line, const char* verb) {
  char prefix[64];
  snprintf(prefix, sizeof prefix, "--- Removal process %s at ", verb);
  size_t prefixLength = std::strlen(prefix);
  std::string dated = line.size() > prefixLength + 8 ? line.substr(prefixLength + 8) : "";
  bool shaped = line.compare(0, prefixLength, prefix) == 0 &&
                (dated == DateSuffix(LocalNow()) || dated == DateSuffix(driverStarted));
  if (shaped) {
    const char* clock = line.c_str() + prefixLength;
    for (int i = 0; i < 8; ++i) {
      bool digitWanted = (i % 3) != 2;
      if (digitWanted ? !(clock[i] >= '0' && clock[i] <= '9') : clock[i] != ':') shaped = false;
    }
  }
  if (shaped) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << line << "\" is not a \"" << verb << "\" line of today or of the day the tests began";
}
