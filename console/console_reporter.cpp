// ConsoleReporter: engine events as console lines and findings; ConsoleSummary: the Y/N removal dialogue.
#include "console_reporter.h"

#include "console_output.h"
#include "console_session.h"
#include "finding_list.h"
#include "progress_refresh.h"
#include "signatures.h"
#include "time_line.h"

std::atomic<int32_t> tracesFound{0};
int32_t progressWidth = PROGRESS_FALLBACK_COLUMNS - 1 - 10;

enum { TIME_LINE_SIZE = 256 };

static void Reporter_PrintTimeLine(const char* format) {
  char line[TIME_LINE_SIZE];
  TimeLine_Format(line, sizeof line, format);
  ConsoleOutput_Print("%s", line);
}

static void Reporter_OnStarted() {
  Reporter_PrintTimeLine("--- Removal process started at %02d:%02d:%02d on %d %s %d ---\n");
  tracesFound.store(0);
  ProgressRefresh_Reset();
}

// Every event still arrives; the line is redrawn only when a refresh is due, with the item of that moment.
static void Reporter_OnProgress(const char* text) {
  if (text != nullptr && ProgressRefresh_IsDue()) ConsoleOutput_Progress(text, progressWidth);
}

static void Reporter_OnProcessKilled(const ThreatSignature* signature) {
  ConsoleOutput_Print("%s was found and terminated in memory\n", signature != nullptr ? signature->variantName : "Vexlor");
  tracesFound.store(1);
}

static void Reporter_OnInfectedFile(ScanEvent event, const char* path, const ThreatSignature* signature) {
  if (path == nullptr) return;
  if (signature != nullptr) {
    ConsoleOutput_Print("A %s infected file was found: %s\n", signature->variantName, path);
  } else {
    ConsoleOutput_Print("A Vexlor infected file was found: %s\n", path);
  }
  FindingList_Add(path, static_cast<int32_t>(event));
  tracesFound.store(1);
}

static void Reporter_OnRegistryCleaned() {
  ConsoleOutput_Print("Vexlor was found removed from the registry\n");
  tracesFound.store(1);
}

static void Reporter_OnLogFile(const char* path) {
  if (path == nullptr) return;
  ConsoleOutput_Print("A file dropped by Vexlor was found: %s\n", path);
  FindingList_Add(path, SCAN_EV_LOG_FILE);
  tracesFound.store(1);
}

static void Reporter_OnFinished() {
  Reporter_PrintTimeLine("--- Removal process finished at %02d:%02d:%02d on %d %s %d ---               \n");
  // A Ctrl+C that came too late to stop the scan must not start a second dialogue beside this one.
  bool ours = ConsoleSession_ClaimDialogueForScan();
  ConsoleSession_ScanClosed();
  if (ours) ConsoleSummary();
}

static void Reporter_OnStopped() {
  Reporter_PrintTimeLine("--- Removal process stopped at %02d:%02d:%02d on %d %s %d ---                \n");
  // The Ctrl+C handler runs the summary once this line is out.
  ConsoleSession_ScanClosed();
}

void ConsoleReporter(ScanEvent event, const char* text, const ThreatSignature* signature) {
  switch (event) {
    case SCAN_EV_STARTED:
      Reporter_OnStarted();
      break;
    case SCAN_EV_PROGRESS:
      Reporter_OnProgress(text);
      break;
    case SCAN_EV_PROCESS_KILLED:
      Reporter_OnProcessKilled(signature);
      break;
    case SCAN_EV_INFECTED_FILE:
    case SCAN_EV_DROPPED_FILE:
      Reporter_OnInfectedFile(event, text, signature);
      break;
    case SCAN_EV_REGISTRY_CLEANED:
      Reporter_OnRegistryCleaned();
      break;
    case SCAN_EV_LOG_FILE:
      Reporter_OnLogFile(text);
      break;
    case SCAN_EV_FINISHED:
      Reporter_OnFinished();
      break;
    case SCAN_EV_STOPPED:
      Reporter_OnStopped();
      break;
    default:
      break;
  }
}

static bool IsYes(int key) { return key == 'Y' || key == 'y'; }
static bool IsNo(int key) { return key == 'N' || key == 'n'; }

// The user's answer to the removal question: true means delete the listed files.
static bool Summary_AskRemoval(int32_t count) {
  ConsoleOutput_Print("Vexlor was found in %d files on your PC. Would you like to remove the infected files? Y/N\n",
                      count);
  int key = ConsoleOutput_ReadKey();
  if (IsYes(key)) return true;
  if (IsNo(key)) {
    ConsoleOutput_Print(
        "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue? Y/N\n");
    // "No, not sure" means remove after all; every other answer keeps the files.
    return IsNo(ConsoleOutput_ReadKey());
  }
  ConsoleOutput_Print("Warning! You did not type either Y or N. Defaulting to Y.\n");
  return true;
}

void ConsoleSummary() {
  int32_t count = FindingList_Count();
  if (count > 0) {
    if (Summary_AskRemoval(count)) {
      FindingRemoval removal = FindingList_RemoveAll();
      ConsoleOutput_Print("%d out of %d files were successfully removed!\n", removal.deleted, removal.total);
    }
    FindingList_Clear();
  } else if (tracesFound.load() != 0) {
    ConsoleOutput_Print("Vexlor-traces was found and removed from your computer!                       \n");
  } else {
    ConsoleOutput_Print("Vexlor was not found on your computer!                                        \n");
  }
}
