// The one end-of-run dialogue of a console run: who runs it (scan end or Ctrl+C) and waiting for it.
#pragma once

#include <windows.h>

// Creates the events below; called once before the control handler is installed.
bool ConsoleSession_Init();

// The scanning thread has printed its finished or stopped line.
void ConsoleSession_ScanClosed();
// Blocks until the scanning thread has printed its closing line.
void ConsoleSession_WaitScanClosed();

// True for exactly one caller per run: the scan's end or one Ctrl+C, whichever comes first.
bool ConsoleSession_ClaimDialogueForScan();
bool ConsoleSession_ClaimDialogueForCtrlC();
// The Ctrl+C handler's summary and "pause" are over.
void ConsoleSession_CtrlCDialogueDone();
// Called by the main thread after the scanning thread ended: no dialogue may start any more,
// and one already started by Ctrl+C is waited for, so the process never ends in the middle of it.
void ConsoleSession_CloseAndWait();
