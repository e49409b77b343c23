// Console output through the C runtime with a full buffer flushed once per line, and unechoed key reads.
#include "console_output.h"

#include <windows.h>
#include <conio.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform.h"

enum { MESSAGE_BUFFER_SIZE = 2048, OUTPUT_BUFFER_SIZE = 4096 };

static PlatformHandle outputLock = Platform_CreateLock();
// Length of the progress line now on screen (0: none); the next message blanks that many columns first.
static size_t progressShownLength = 0;

void ConsoleOutput_Init() { setvbuf(stdout, nullptr, _IOFBF, OUTPUT_BUFFER_SIZE); }

static void BlankProgressLine() {
  if (progressShownLength == 0) return;
  char blank[PROGRESS_BUFFER_SIZE + 16];
  size_t length = progressShownLength < sizeof blank - 1 ? progressShownLength : sizeof blank - 2;
  std::memset(blank, ' ', length);
  blank[length] = '\r';
  fwrite(blank, 1, length + 1, stdout);
  progressShownLength = 0;
}

void ConsoleOutput_Print(const char* format, ...) {
  char message[MESSAGE_BUFFER_SIZE];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);

  Platform_Lock(outputLock);
  BlankProgressLine();
  fputs(message, stdout);
  fflush(stdout);
  Platform_Unlock(outputLock);
}

void ConsoleOutput_CompactPath(char* compact, int32_t width, const char* path) {
  size_t length = std::strlen(path);
  size_t room = static_cast<size_t>(width) - 1;
  if (length <= room) {
    lstrcpynA(compact, path, width);
    return;
  }
  // The shell call takes paths of up to MAX_PATH characters; a longer one keeps its two ends here.
  if (length < MAX_PATH && PathCompactPathExA(compact, path, static_cast<UINT>(width), 0)) return;
  const char ellipsis[] = "...";
  size_t keep = room > 3 ? room - 3 : 0;
  size_t head = keep / 2;
  size_t tail = keep - head;
  std::memcpy(compact, path, head);
  std::memcpy(compact + head, ellipsis, 3);
  std::memcpy(compact + head + 3, path + length - tail, tail);
  compact[head + 3 + tail] = '\0';
}

void ConsoleOutput_Progress(const char* text, int32_t width) {
  char compact[PROGRESS_BUFFER_SIZE];
  ConsoleOutput_CompactPath(compact, width, text);
  char line[PROGRESS_BUFFER_SIZE + 16];
  // Padded to the longest compacted text, so no tail of a longer previous path stays visible.
  int length = snprintf(line, sizeof line, "Scanning: %-*s\r", static_cast<int>(width - 1), compact);
  if (length <= 1) return;

  Platform_Lock(outputLock);
  fputs(line, stdout);
  fflush(stdout);
  progressShownLength = static_cast<size_t>(length) - 1;
  Platform_Unlock(outputLock);
}

int32_t ConsoleOutput_ProgressWidth(bool haveWindow, int32_t left, int32_t right) {
  int32_t width = haveWindow ? right - left - 10 : PROGRESS_FALLBACK_COLUMNS - 1 - 10;
  if (width < PROGRESS_MIN_WIDTH) return PROGRESS_MIN_WIDTH;
  if (width > PROGRESS_BUFFER_SIZE - 1) return PROGRESS_BUFFER_SIZE - 1;
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
