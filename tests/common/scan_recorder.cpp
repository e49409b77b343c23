// The recording reporters: one callback, told by its context whether found files go into the findings list.
#include "scan_recorder.h"

#include "finding_list.h"
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
    case SCAN_EV_PROCESS_FOUND: return "PROCESS";
    case SCAN_EV_RUN_VALUE_FOUND: return "RUNVALUE";
    case SCAN_EV_SKIPPED_TOO_LARGE: return "SKIP-LARGE";
    case SCAN_EV_SKIPPED_UNREADABLE: return "SKIP-UNREADABLE";
    case SCAN_EV_SKIPPED_UNLISTABLE: return "SKIP-UNLISTABLE";
    case SCAN_EV_SKIPPED_PATH_TOO_LONG: return "SKIP-LONG";
    case SCAN_EV_SKIPPED_LINK_LOOP: return "SKIP-LOOP";
    case SCAN_EV_SKIPPED_UNJOINABLE_NAME: return "SKIP-NAME";
    case SCAN_EV_PROCESS_NOT_TERMINATED: return "NOT-KILLED";
    case SCAN_EV_SKIPPED_EXCLUDED: return "SKIP-EXCLUDED";
    default: return "EVENT" + std::to_string(event);
  }
}

// The context of each reporter: whether it lists the files it is told of.
static bool listNothing = false;
static bool listFiles = true;

static void Record(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  std::string line = EventName(event);
  if (signature != nullptr) line += std::string(" ") + signature->variantName;
  if (text != nullptr) line += std::string(" ") + text;
  recordedEvents.push_back(line);
  bool isFile = event == SCAN_EV_INFECTED_FILE || event == SCAN_EV_DROPPED_FILE || event == SCAN_EV_LOG_FILE;
  if (*static_cast<bool*>(context) && isFile && text != nullptr) FindingList_Add(text, static_cast<int32_t>(event));
}

ScanReporter RecordEvent = {Record, &listNothing};
ScanReporter RecordAndList = {Record, &listFiles};

void Recording_SetActions(int32_t actions) {
  RecordEvent.actions = actions;
  RecordAndList.actions = actions;
}

void Recording_Clear() {
  recordedEvents.clear();
  ScanControl_Reset();
  Recording_SetActions(SCAN_ACTIONS_INTERACTIVE);
}
