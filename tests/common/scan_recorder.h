// Test reporters shared by the host and Windows tests: each event recorded as one readable line
// ("INFECTED Vexlor.y C:\\a\\x.exe").
#pragma once

#include <string>
#include <vector>

#include "scan_events.h"

extern std::vector<std::string> recordedEvents;

// Records every event.
extern ScanReporter RecordEvent;
// Records every event and, as a front-end does, puts each reported file into the findings list.
extern ScanReporter RecordAndList;
// What the scans reported to both may do (interactive after Recording_Clear).
void Recording_SetActions(int32_t actions);

std::string EventName(ScanEvent event);
// Clears the recording and the stop flags.
void Recording_Clear();
