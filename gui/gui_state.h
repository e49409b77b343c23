// Process-wide state of the windowed program: its dialogs' handles and the state of its scans.
#pragma once

#include <windows.h>

#include "progress_refresh.h"
#include "program_text.h"
#include "run_clock.h"
#include "run_report.h"
#include "scan_sequence.h"

extern HANDLE singleInstanceMutex;
extern HINSTANCE programInstance;
extern HMENU logMenu;
extern HFONT aboutTitleFont;

// The reporter's context. dialog is set when the main dialog initialises, before any scan starts, and the
// reporter sends all its output there. scan and running belong to the main thread; record and refresh are
// written by the scanning thread and read by the main thread only once the run-over message has arrived.
struct GuiRun {
  HWND dialog;
  ScanHandle scan;  // the running or last scan's thread, closed when its run is over
  bool running;     // from Start until the run-over message is handled: Start/Stop asks to cancel
  bool summaryOpen; // while the end-of-run boxes are shown
  RunRecord record;
  ProgressRefresh refresh;
  RunClock clock;
};

extern GuiRun guiRun;

// Message boxes of the program all carry its title.
int GuiMessage(HWND owner, const char* text, UINT type);
