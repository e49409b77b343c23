// What the malware leaves in the system: its processes, its Run value, its files in the Windows directory.
#pragma once

#include "platform.h"
#include "scan_events.h"

// A file in the Windows directory: the directory and a name, each up to 259 UTF-16 units, as UTF-8.
enum { TRACE_PATH_SIZE = 2 * PLATFORM_NAME_SIZE };

// Each stage returns false when it noticed a stop request (and reported it): the run ends there.
bool Traces_ProcessSweep(ScanReporter reporter);
bool Traces_RunKeyCleanup(ScanReporter reporter, const char* windowsDirectory);
void Traces_DroppedFileProbe(ScanReporter reporter, const char* windowsDirectory);
bool Traces_LogFileSearch(ScanReporter reporter, const char* windowsDirectory);
