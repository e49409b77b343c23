// The texts of a run and the findings rule, shared by the console and the windowed reporters.
#include "run_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "month_names.h"
#include "signatures.h"

const char RUN_TEXT_ADMIN_QUESTION[] =
    "You do not appear to have Administration priveleges which may be required to fully remove Vexlor from your "
    "computer. Do you want to continue?";
const char RUN_TEXT_ALREADY_RUNNING[] =
    "Vexlor Removal Tool is already running. Please switch to the first instance of Vexlor Removal Tool or use the "
    "Task Manager to terminate the existing instance.";
const char RUN_TEXT_NOT_SURE[] = "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue?";

// The longest path an in-place line has room for, with the longest message around it.
enum { RUN_REPORT_PATH_ROOM = 519 };

static const char* const TIME_LINE_VERBS[] = {"started", "finished", "stopped"};

void RunReport_TimeLine(char* line, size_t size, RunLine which, const RunTime& time) {
  const char* month = (time.month >= 1 && time.month <= 12) ? MonthNames[time.month] : "";
  snprintf(line, size, "--- Removal process %s at %02d:%02d:%02d on %d %s %d ---", TIME_LINE_VERBS[which], time.hour,
           time.minute, time.second, time.day, month, time.year);
}

static bool IsFileEvent(ScanEvent event) {
  return event == SCAN_EV_INFECTED_FILE || event == SCAN_EV_DROPPED_FILE || event == SCAN_EV_LOG_FILE;
}

bool RunReport_TraceLine(char* line, size_t size, ScanEvent event, const char* text, const ThreatSignature* signature) {
  if (IsFileEvent(event) && text == nullptr) return false;
  const char* variant = signature != nullptr ? signature->variantName : "Vexlor";
  switch (event) {
    case SCAN_EV_PROCESS_KILLED:
      snprintf(line, size, "%s was found and terminated in memory", variant);
      return true;
    case SCAN_EV_INFECTED_FILE:
    case SCAN_EV_DROPPED_FILE:
      snprintf(line, size, "A %s infected file was found: %s", variant, text);
      return true;
    case SCAN_EV_REGISTRY_CLEANED:
      snprintf(line, size, "Vexlor was found removed from the registry");
      return true;
    case SCAN_EV_LOG_FILE:
      snprintf(line, size, "A file dropped by Vexlor was found: %s", text);
      return true;
    default:
      return false;
  }
}

bool RunReport_MakeTraceLine(TraceLine* line, ScanEvent event, const char* text, const ThreatSignature* signature) {
  line->text = line->inPlace;
  size_t size = sizeof line->inPlace;
  size_t length = text != nullptr ? std::strlen(text) : 0;
  if (length > RUN_REPORT_PATH_ROOM) {
    // Every message around the path is shorter than a whole in-place line, so the two always fit.
    size_t needed = length + sizeof line->inPlace;
    char* block = static_cast<char*>(std::malloc(needed));
    if (block != nullptr) {
      line->text = block;
      size = needed;
    }
  }
  return RunReport_TraceLine(line->text, size, event, text, signature);
}

void RunReport_FreeTraceLine(TraceLine* line) {
  if (line->text != line->inPlace) std::free(line->text);
  line->text = line->inPlace;
}

void RunReport_RemovalQuestion(char* line, size_t size, int32_t count) {
  snprintf(line, size, "Vexlor was found in %d files on your PC. Would you like to remove the infected files?",
           static_cast<int>(count));
}

void RunReport_RemovalResult(char* line, size_t size, FindingRemoval removal) {
  snprintf(line, size, "%d out of %d files were successfully removed!", static_cast<int>(removal.deleted),
           static_cast<int>(removal.total));
}

const char* RunReport_EmptyListOutcome(bool tracesFound) {
  return tracesFound ? "Vexlor-traces was found and removed from your computer!" : "Vexlor was not found on your computer!";
}

void RunRecord_Start(RunRecord* record) { record->tracesFound.store(0); }

void RunRecord_Note(RunRecord* record, ScanEvent event, const char* text) {
  bool trace = event == SCAN_EV_PROCESS_KILLED || event == SCAN_EV_REGISTRY_CLEANED || IsFileEvent(event);
  if (!trace || (IsFileEvent(event) && text == nullptr)) return;
  if (IsFileEvent(event)) FindingList_Add(text, static_cast<int32_t>(event));
  record->tracesFound.store(1);
}
