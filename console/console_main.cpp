// PurgewellConsole's entry: banner, mutex, administrator question, control handler, the scanning thread.
#include "console_main.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "admin_check.h"
#include "console_output.h"
#include "finding_list.h"
#include "rights_note.h"
#include "run_report.h"
#include "scan_events.h"
#include "scan_sequence.h"
#include "single_instance.h"
#include "version.h"

enum : WORD { BANNER_ATTRIBUTE = 0x70 };  // black on light grey

static HANDLE toolMutex = nullptr;
// The administrator-test library stays loaded until the process ends.
static HMODULE advpackLibrary = nullptr;

static void PrintBanner() {
  ConsoleOutput_Print("Vexlor Removal Tool - Console version\n");
  ConsoleOutput_Print("Purgewell " PURGEWELL_VERSION_TEXT " - free removal tool by the Purgewell developers\n");
  ConsoleOutput_Print("\n");
}

// The cause is set before the request, so a run the request stopped always sees its cause.
static void OnCtrlC() {
  int32_t none = CONSOLE_STOP_NONE;
  consoleRun.stopCause.compare_exchange_strong(none, CONSOLE_STOP_CTRL_C);
  ScanControl_RequestStop();
}

static void OnConsoleClose() {
  consoleRun.stopCause.store(CONSOLE_STOP_WINDOW_CLOSED);
  ScanControl_RequestStop();
  FindingList_Clear();
}

BOOL WINAPI ConsoleControlHandler(DWORD controlType) {
  switch (controlType) {
    case CTRL_C_EVENT:
      OnCtrlC();
      break;
    case CTRL_CLOSE_EVENT:
      OnConsoleClose();
      break;
    default:
      break;
  }
  return TRUE;
}

// False when the user declines or does not answer: the program ends.
static bool AskToContinueWithoutRights() {
  ConsoleOutput_Print("%s Y/N\n", RUN_TEXT_ADMIN_QUESTION);
  int key = ConsoleOutput_ReadKey();
  if (key == 'Y' || key == 'y') {
    // An administrator under UAC gets the question too; tell them how to get the rights the removal needs.
    const char* note = RightsNote_AfterContinuing();
    if (note != nullptr) ConsoleOutput_Print("%s\n", note);
    return true;
  }
  if (key != 'N' && key != 'n') ConsoleOutput_Print("Warning! You did not type either Y or N. Defaulting to N.\n");
  return false;
}

bool ConsoleMain_EndOfRun(ConsoleRun* run) {
  if (run->stopCause.load() == CONSOLE_STOP_WINDOW_CLOSED) return false;
  ConsoleSummary(run);
  return run->closingEvent.load() == SCAN_EV_STOPPED && run->stopCause.load() == CONSOLE_STOP_CTRL_C;
}

// The one scan, and its end on this thread once the scanning thread is gone.
static void RunScan(int32_t progressWidth) {
  ConsoleRun_Prepare(&consoleRun, progressWidth);
  ScanHandle scan = Scan_Start(ScanReporter{ConsoleReporter, &consoleRun});
  if (scan == nullptr) {
    ConsoleOutput_Print("Internal application error.\n");
    return;
  }
  Scan_Wait(scan);
  Scan_Close(scan);
  if (ConsoleMain_EndOfRun(&consoleRun)) {
    fflush(stdout);
    system("pause");
  }
}

// Everything from the banner to the end of the scan; returns when the program is to end.
static void RunProgram() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  setlocale(LC_ALL, ".ACP");
  ConsoleOutput_Init();

  CONSOLE_SCREEN_BUFFER_INFO screen;
  bool haveScreen = GetConsoleScreenBufferInfo(output, &screen) != FALSE;
  if (haveScreen) SetConsoleTextAttribute(output, BANNER_ATTRIBUTE);
  PrintBanner();
  if (haveScreen) SetConsoleTextAttribute(output, screen.wAttributes);

  if (!SingleInstance_Claim(&toolMutex)) {
    ConsoleOutput_Print("%s\n", RUN_TEXT_ALREADY_RUNNING);
    return;
  }

  if (AdminCheck_LacksRights(&advpackLibrary) && !AskToContinueWithoutRights()) {
    SingleInstance_Release(&toolMutex);
    return;
  }

  if (!SetConsoleCtrlHandler(ConsoleControlHandler, TRUE)) {
    ConsoleOutput_Print("Internal application error.\n");
    SingleInstance_Release(&toolMutex);
    return;
  }

  int32_t progressWidth = haveScreen ? ConsoleOutput_ProgressWidth(true, screen.srWindow.Left, screen.srWindow.Right)
                                     : ConsoleOutput_ProgressWidth(false, 0, 0);
  ConsoleOutput_Print("The removal process will now start. Press CTRL+C to stop.\n\n");

  RunScan(progressWidth);

  SingleInstance_Release(&toolMutex);
}

int ConsoleMain() {
  ConsoleOutput_QuietInput();
  RunProgram();
  ConsoleOutput_RestoreInput();
  return 0;
}
