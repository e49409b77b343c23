// Test reporter: records each event as one readable line ("INFECTED Vexlor.y C:\\a\\x.exe").
#pragma once

#include <string>
#include <vector>

#include "scan_events.h"

extern std::vector<std::string> recordedEvents;

void RecordEvent(ScanEvent event, const char* text, const ThreatSignature* signature);
std::string EventName(ScanEvent event);
// Clears the recording, the stop flags and the stand-in machine.
void StartRecording();
