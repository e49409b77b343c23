// The console program's start-up, scan and exit, and its console control handler.
#pragma once

#include <windows.h>

#include "console_reporter.h"

// Runs the whole program: banner, single-instance mutex, administrator question, one scan. Returns 0.
int ConsoleMain();

// Ctrl+C only asks the scan to stop; closing the window stops the scan and empties the findings list; every
// other event (Ctrl+Break included) is taken as handled and ignored. Each returns at once.
BOOL WINAPI ConsoleControlHandler(DWORD controlType);

// The end of a run, on the program's own thread once the scanning thread has ended: the summary, exactly once
// (none after the window was closed). True when "pause" must follow: Ctrl+C stopped the run.
bool ConsoleMain_EndOfRun(ConsoleRun* run);
