// Console output, wide on a console and in the ANSI code page when redirected, one write per line; unechoed key reads.
#include "console_output.h"

#include <windows.h>
#include <conio.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform.h"
#include "text.h"

enum { OUTPUT_BUFFER_SIZE = 4096 };

static PlatformHandle outputLock = Platform_CreateLock();
// Length of the progress line now on screen in UTF-16 units (0: none); the next message blanks it first.
static size_t progressShownLength = 0;
static HANDLE consoleOutput = INVALID_HANDLE_VALUE;

void ConsoleOutput_Init() {
  setvbuf(stdout, nullptr, _IOFBF, OUTPUT_BUFFER_SIZE);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode)) consoleOutput = output;
}

// Redirected: the ANSI code page's bytes through the C runtime (which ends lines with CRLF there).
static void WriteRedirected(const wchar_t* text, int units) {
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int length = WideCharToMultiByte(CP_ACP, flags, text, units, nullptr, 0, "?", nullptr);
  // Code pages that take no flags (UTF-8 as the ANSI code page) convert without them.
  if (length == 0) flags = 0;
  if (length == 0) length = WideCharToMultiByte(CP_ACP, flags, text, units, nullptr, 0, nullptr, nullptr);
  char* bytes = length > 0 ? static_cast<char*>(std::malloc(static_cast<size_t>(length))) : nullptr;
  if (bytes == nullptr) return;
  WideCharToMultiByte(CP_ACP, flags, text, units, bytes, length, flags != 0 ? "?" : nullptr, nullptr);
  fwrite(bytes, 1, static_cast<size_t>(length), stdout);
  fflush(stdout);
  std::free(bytes);
}

// One piece of UTF-16 text to standard output, in one write.
static void WriteWide(const wchar_t* text, size_t units) {
  if (units == 0) return;
  if (consoleOutput == INVALID_HANDLE_VALUE) {
    WriteRedirected(text, static_cast<int>(units));
    return;
  }
  // Whatever the C runtime still holds goes first, so the order on screen stays the order of the calls.
  fflush(stdout);
  DWORD written = 0;
  WriteConsoleW(consoleOutput, text, static_cast<DWORD>(units), &written, nullptr);
}

static void BlankProgressLine() {
  if (progressShownLength == 0) return;
  wchar_t blank[PROGRESS_WIDTH_LIMIT + 16];
  size_t length = progressShownLength < PROGRESS_WIDTH_LIMIT + 14 ? progressShownLength : PROGRESS_WIDTH_LIMIT + 14;
  for (size_t i = 0; i < length; ++i) blank[i] = L' ';
  blank[length] = L'\r';
  WriteWide(blank, length + 1);
  progressShownLength = 0;
}

// The whole message, however long its path: formatted at its own length and written as UTF-16.
void ConsoleOutput_Print(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  int length = vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  char* message = length >= 0 ? static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1)) : nullptr;
  if (message != nullptr) vsnprintf(message, static_cast<size_t>(length) + 1, format, again);
  va_end(again);
  if (message == nullptr) return;
  size_t units = Text_Utf16LengthOf(message);
  uint16_t* wide = static_cast<uint16_t*>(std::malloc((units + 1) * sizeof(uint16_t)));
  if (wide != nullptr) {
    Text_ToUtf16(wide, units + 1, message);
    Platform_Lock(outputLock);
    BlankProgressLine();
    WriteWide(reinterpret_cast<const wchar_t*>(wide), units);
    Platform_Unlock(outputLock);
  }
  std::free(wide);
  std::free(message);
}

// The middle of a path too long for the shell call, cut between whole characters.
static void KeepBothEnds(wchar_t* compact, size_t room, const wchar_t* path, size_t length) {
  size_t keep = room > 3 ? room - 3 : 0;
  size_t head = keep / 2;
  size_t tail = keep - head;
  if (head > 0 && IS_HIGH_SURROGATE(path[head - 1])) head -= 1;
  if (tail > 0 && IS_LOW_SURROGATE(path[length - tail])) tail -= 1;
  std::wmemcpy(compact, path, head);
  std::wmemcpy(compact + head, L"...", 3);
  std::wmemcpy(compact + head + 3, path + length - tail, tail);
  compact[head + 3 + tail] = L'\0';
}

// The compacted path in UTF-16 into compact (width units).
static void CompactWide(wchar_t* compact, int32_t width, const char* path) {
  compact[0] = L'\0';
  size_t length = Text_Utf16LengthOf(path);
  wchar_t* wide = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
  if (wide == nullptr) return;
  Text_ToUtf16(reinterpret_cast<uint16_t*>(wide), length + 1, path);
  size_t room = static_cast<size_t>(width) - 1;
  if (length <= room) {
    std::wmemcpy(compact, wide, length + 1);
  } else if (length >= MAX_PATH || !PathCompactPathExW(compact, wide, static_cast<UINT>(width), 0)) {
    // The shell call takes paths of up to MAX_PATH characters; a longer one keeps its two ends here.
    KeepBothEnds(compact, room, wide, length);
  }
  std::free(wide);
}

void ConsoleOutput_CompactPath(char* compact, int32_t width, const char* path) {
  wchar_t wide[PROGRESS_WIDTH_LIMIT];
  CompactWide(wide, width, path);
  Text_FromUtf16(compact, PROGRESS_BUFFER_SIZE, reinterpret_cast<const uint16_t*>(wide));
}

void ConsoleOutput_Progress(const char* text, int32_t width) {
  wchar_t line[PROGRESS_WIDTH_LIMIT + 16] = L"Scanning: ";
  size_t prefix = std::wcslen(line);
  CompactWide(line + prefix, width, text);
  // Padded to the longest compacted text, so no tail of a longer previous path stays visible.
  size_t length = std::wcslen(line);
  while (length < prefix + static_cast<size_t>(width - 1)) line[length++] = L' ';
  line[length++] = L'\r';

  Platform_Lock(outputLock);
  WriteWide(line, length);
  progressShownLength = length - 1;
  Platform_Unlock(outputLock);
}

int32_t ConsoleOutput_ProgressWidth(bool haveWindow, int32_t left, int32_t right) {
  int32_t width = haveWindow ? right - left - 10 : PROGRESS_FALLBACK_COLUMNS - 1 - 10;
  if (width < PROGRESS_MIN_WIDTH) return PROGRESS_MIN_WIDTH;
  if (width > PROGRESS_WIDTH_LIMIT - 1) return PROGRESS_WIDTH_LIMIT - 1;
  return width;
}

static HANDLE consoleInput = INVALID_HANDLE_VALUE;
static DWORD savedInputMode = 0;
static bool inputModeSaved = false;

void ConsoleOutput_QuietInput() {
  // The console itself, also when standard input is redirected.
  consoleInput = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (consoleInput == INVALID_HANDLE_VALUE) return;
  if (!GetConsoleMode(consoleInput, &savedInputMode)) return;
  inputModeSaved = true;
  SetConsoleMode(consoleInput, savedInputMode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  // A console on a terminal may leave the terminal echoing until input is first asked for; asking now means
  // a key typed before the first prompt's read is not echoed onto the screen.
  INPUT_RECORD firstEvent;
  DWORD eventCount = 0;
  PeekConsoleInputA(consoleInput, &firstEvent, 1, &eventCount);
}

void ConsoleOutput_RestoreInput() {
  if (inputModeSaved) SetConsoleMode(consoleInput, savedInputMode);
  inputModeSaved = false;
  if (consoleInput != INVALID_HANDLE_VALUE) CloseHandle(consoleInput);
  consoleInput = INVALID_HANDLE_VALUE;
}

int ConsoleOutput_ReadKey() { return _getch(); }
