// Times one whole Purgewell.exe run from outside: start, Start button, reminder box, scan, summary; keeps the files.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resource.h"
#include "window_search.h"

static const int BOX_TEXT = 65535;
static DWORD pollMs = 10;  // how often the windows are looked for; a second argument changes it
static const DWORD WAIT_LIMIT_MS = 600000;

// Polls every pollMs; null when the process ends or the wait is too long.
static HWND WaitForWindow(HANDLE process, DWORD processId, const char* className, const char* textStart) {
  for (DWORD waited = 0; waited < WAIT_LIMIT_MS; waited += pollMs) {
    HWND found = FindWantedWindow(WindowWanted{processId, className, nullptr, textStart != nullptr, textStart});
    if (found != nullptr) return found;
    if (WaitForSingleObject(process, pollMs) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static int Fail(const char* what, HANDLE process) {
  std::printf("gui_timer: %s\n", what);
  if (process != nullptr) TerminateProcess(process, 99);
  return 1;
}

int main(int argc, char** argv) {
  char commandLine[MAX_PATH];
  lstrcpynA(commandLine, argc > 1 ? argv[1] : "C:\\bench\\g0\\Purgewell.exe", sizeof commandLine);
  if (argc > 2 && std::atoi(argv[2]) > 0) pollMs = static_cast<DWORD>(std::atoi(argv[2]));
  LARGE_INTEGER frequency, started, scanStarted, summaryShown;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program;
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program)) {
    return Fail("cannot start the program", nullptr);
  }
  CloseHandle(program.hThread);
  HANDLE process = program.hProcess;
  DWORD id = program.dwProcessId;

  HWND dialog = WaitForWindow(process, id, "PurgewellClass", nullptr);
  if (dialog == nullptr) return Fail("no main window", process);
  // Posted: a sent click would wait for the box it opens.
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_START_STOP)));
  HWND box = WaitForWindow(process, id, "#32770", "Please close any resource-consuming");
  if (box == nullptr) return Fail("no reminder box", process);
  QueryPerformanceCounter(&scanStarted);
  PostMessageA(box, WM_COMMAND, IDOK, 0);

  box = WaitForWindow(process, id, "#32770", "Vexlor was found in");
  QueryPerformanceCounter(&summaryShown);
  if (box == nullptr) return Fail("no removal question", process);
  char question[512];
  GetDlgItemTextA(box, BOX_TEXT, question, sizeof question);

  // No, then Yes to "are you sure": nothing is removed.
  PostMessageA(box, WM_COMMAND, IDNO, 0);
  box = WaitForWindow(process, id, "#32770", "Warning! Your computer may still be infected");
  if (box == nullptr) return Fail("no warning box", process);
  PostMessageA(box, WM_COMMAND, IDYES, 0);
  for (int tries = 0; tries < 1000 && IsWindow(box); ++tries) Sleep(pollMs);
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) return Fail("the program did not close", process);
  CloseHandle(process);

  std::printf("gui_timer: whole %.3f s, scan %.3f s; %s\n", Seconds(started, summaryShown, frequency),
              Seconds(scanStarted, summaryShown, frequency), question);
  return 0;
}
