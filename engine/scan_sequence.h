// The whole scan in its fixed order, and the scanning thread the front-ends start, wait for and close.
#pragma once

#include "scan_events.h"

enum { SCAN_PATH_SIZE = 261, SCAN_DRIVE_LIST_SIZE = 255 };

// The scan from SCAN_EV_STARTED to its one closing event; returns afterwards (callable from tests).
void ScanRun(ScanReporter reporter);

// Thread body: ScanRun, then the thread ends with exit code 0. The argument is a heap copy of the
// ScanReporter made by Scan_Start, which the thread frees.
unsigned ScanThread(void* reporter);

// The running scan's thread, owned by the front-end that started it.
typedef void* ScanHandle;

// Clears both stop flags, then starts ScanRun(reporter) on a thread of its own; null when it cannot be started.
// The reporter is called on that thread only.
ScanHandle Scan_Start(ScanReporter reporter);
// Returns once the scanning thread has ended.
void Scan_Wait(ScanHandle scan);
// Releases the handle, once; the thread, if still running, goes on to its end.
void Scan_Close(ScanHandle scan);
