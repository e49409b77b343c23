// The console program's start-up, scan and exit, and its console control handler.
#pragma once

#include <windows.h>

// Runs the whole program: banner, single-instance mutex, administrator question, one scan. Returns 0.
int ConsoleMain();

// Ctrl+C stops the scan and runs the removal dialogue and "pause"; closing the window stops the scan
// and empties the findings list; every other event (Ctrl+Break included) is taken as handled and ignored.
BOOL WINAPI ConsoleControlHandler(DWORD controlType);
