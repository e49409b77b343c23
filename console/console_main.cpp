// PurgewellConsole's entry: banner, mutex, administrator question, control handler, the scanning thread.
#include "console_main.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "admin_check.h"
#include "console_output.h"
#include "console_reporter.h"
#include "console_session.h"
#include "finding_list.h"
#include "platform.h"
#include "rights_note.h"
#include "scan_events.h"
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

static void OnCtrlC() {
  ScanControl_RequestStop();
  // The stopped line comes first, and nothing the scan still finds is left out of the dialogue.
  ConsoleSession_WaitScanClosed();
  if (!ConsoleSession_ClaimDialogueForCtrlC()) return;
  ConsoleSummary();
  fflush(stdout);
  system("pause");
  ConsoleSession_CtrlCDialogueDone();
}

static void OnConsoleClose() {
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
  ConsoleOutput_Print(
      "You do not appear to have Administration priveleges which may be required to fully remove Vexlor from your "
      "computer. Do you want to continue? Y/N\n");
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

static void RunScan() {
  ScanControl_Reset();
  PlatformHandle thread = Platform_StartScanThread(ConsoleReporter);
  if (thread == nullptr) {
    ConsoleOutput_Print("Internal application error.\n");
    return;
  }
  Platform_WaitThread(thread);
  Platform_CloseThread(thread);
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
    ConsoleOutput_Print(
        "Vexlor Removal Tool is already running. Please switch to the first instance of Vexlor Removal Tool or use "
        "the Task Manager to terminate the existing instance.\n");
    return;
  }

  if (AdminCheck_LacksRights(&advpackLibrary) && !AskToContinueWithoutRights()) {
    SingleInstance_Release(&toolMutex);
    return;
  }

  if (!ConsoleSession_Init() || !SetConsoleCtrlHandler(ConsoleControlHandler, TRUE)) {
    ConsoleOutput_Print("Internal application error.\n");
    SingleInstance_Release(&toolMutex);
    return;
  }

  progressWidth = haveScreen ? ConsoleOutput_ProgressWidth(true, screen.srWindow.Left, screen.srWindow.Right)
                             : ConsoleOutput_ProgressWidth(false, 0, 0);
  ConsoleOutput_Print("The removal process will now start. Press CTRL+C to stop.\n\n");

  RunScan();
  ConsoleSession_CloseAndWait();

  SingleInstance_Release(&toolMutex);
}

int ConsoleMain() {
  ConsoleOutput_QuietInput();
  RunProgram();
  ConsoleOutput_RestoreInput();
  return 0;
}
