// The console's ScanReporter and its end-of-run removal dialogue.
#pragma once

#include <atomic>
#include <cstdint>

#include "scan_events.h"

// Set by every reported trace, cleared when a scan starts: tells "nothing found" from "all dealt with".
extern std::atomic<int32_t> tracesFound;
// Characters (terminator included) to which progress paths are compacted.
extern int32_t progressWidth;

void ConsoleReporter(ScanEvent event, const char* text, const ThreatSignature* signature);

// Offers to delete the listed files, deletes them on consent and empties the list.
void ConsoleSummary();
