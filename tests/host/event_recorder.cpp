// The recording reporter shared by the host tests.
#include "event_recorder.h"

#include "fake_platform.h"
#include "signatures.h"

std::vector<std::string> recordedEvents;

std::string EventName(ScanEvent event) {
  switch (event) {
    case SCAN_EV_STARTED: return "STARTED";
    case SCAN_EV_PROGRESS: return "PROGRESS";
    case SCAN_EV_PROCESS_KILLED: return "KILLED";
    case SCAN_EV_INFECTED_FILE: return "INFECTED";
    case SCAN_EV_DROPPED_FILE: return "DROPPED";
    case SCAN_EV_REGISTRY_CLEANED: return "REGISTRY";
    case SCAN_EV_LOG_FILE: return "LOG";
    case SCAN_EV_FINISHED: return "FINISHED";
    case SCAN_EV_STOPPED: return "STOPPED";
    default: return "EVENT" + std::to_string(event);
  }
}

void RecordEvent(ScanEvent event, const char* text, const ThreatSignature* signature) {
  std::string line = EventName(event);
  if (signature != nullptr) line += std::string(" ") + signature->variantName;
  if (text != nullptr) line += std::string(" ") + text;
  recordedEvents.push_back(line);
}

void StartRecording() {
  recordedEvents.clear();
  ScanControl_Reset();
  Fake_Reset();
}
