// What the malware leaves in the system; the stages are filled in as they are built.
#include "traces.h"

bool Traces_ProcessSweep(ScanReporter) { return true; }
bool Traces_RunKeyCleanup(ScanReporter, const char*) { return true; }
void Traces_DroppedFileProbe(ScanReporter, const char*) {}
bool Traces_LogFileSearch(ScanReporter, const char*) { return true; }
