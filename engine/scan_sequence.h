// The whole scan in its fixed order, run on the scanning thread.
#pragma once

#include "scan_events.h"

enum { SCAN_PATH_SIZE = 261, SCAN_DRIVE_LIST_SIZE = 255 };

// The scan from SCAN_EV_STARTED to its one closing event; returns afterwards (callable from tests).
void ScanRun(ScanReporter reporter);

// Thread body: ScanRun, then the thread ends with exit code 0. The argument is the ScanReporter.
unsigned ScanThread(void* reporter);
