// GuiReporter turns scan events into scan-log lines, the status text and the Start/Stop caption; GuiSummary asks about removal.
#include "gui_reporter.h"

#include <windows.h>

#include <cstdio>

#include "finding_list.h"
#include "gui_state.h"
#include "progress_refresh.h"
#include "resource.h"
#include "signatures.h"
#include "time_line.h"

enum { TIME_LINE_SIZE = 255, PATH_LINE_SIZE = 584 };

// Every call below is a sent message: the scanning thread waits until the dialog has handled it.
static void AddLine(const char* line) {
  SendDlgItemMessageA(mainDialog, IDC_SCAN_LOG, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}

static void SetStatus(const char* text) {
  SendDlgItemMessageA(mainDialog, IDC_STATUS, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

static void SetButtonText(const char* text) { SetWindowTextA(GetDlgItem(mainDialog, IDC_START_STOP), text); }

static void AddTimeLine(const char* format) {
  char line[TIME_LINE_SIZE];
  TimeLine_Format(line, sizeof line, format);
  AddLine(line);
}

static void GuiReporter_OnStarted() {
  running.store(1);
  AddTimeLine("--- Removal process started at %02d:%02d:%02d on %d %s %d ---");
  SetButtonText("&Stop");
  tracesFound = 0;
  ProgressRefresh_Reset();
}

static void GuiReporter_OnProcessKilled(const ThreatSignature* signature) {
  char line[TIME_LINE_SIZE];
  snprintf(line, sizeof line, "%s was found and terminated in memory", signature ? signature->variantName : "Vexlor");
  AddLine(line);
  tracesFound = 1;
}

static void GuiReporter_OnInfectedFile(ScanEvent event, const char* path, const ThreatSignature* signature) {
  char line[PATH_LINE_SIZE];
  if (signature != nullptr) {
    snprintf(line, sizeof line, "A %s infected file was found: %s", signature->variantName, path);
  } else {
    snprintf(line, sizeof line, "A Vexlor infected file was found: %s", path);
  }
  AddLine(line);
  FindingList_Add(path, static_cast<int32_t>(event));
  tracesFound = 1;
}

static void GuiReporter_OnRegistryCleaned() {
  AddLine("Vexlor was found removed from the registry");
  tracesFound = 1;
}

static void GuiReporter_OnLogFile(const char* path) {
  char line[PATH_LINE_SIZE];
  snprintf(line, sizeof line, "A file dropped by Vexlor was found: %s", path);
  AddLine(line);
  FindingList_Add(path, SCAN_EV_LOG_FILE);
  tracesFound = 1;
}

// The closing event, finished or stopped: the run is over before the summary's questions are asked.
static void GuiReporter_OnClosing(const char* lineFormat, const char* status) {
  running.store(0);
  AddTimeLine(lineFormat);
  SetButtonText("&Start");
  SetStatus(status);
  GuiSummary();
  HANDLE thread = scanThread.exchange(nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

void GuiReporter(ScanEvent event, const char* text, const ThreatSignature* signature) {
  switch (event) {
    case SCAN_EV_STARTED:
      GuiReporter_OnStarted();
      break;
    case SCAN_EV_PROGRESS:
      // Every event still arrives; the status is redrawn only when a refresh is due, with the item of that moment.
      if (text != nullptr && ProgressRefresh_IsDue()) SetStatus(text);
      break;
    case SCAN_EV_PROCESS_KILLED:
      GuiReporter_OnProcessKilled(signature);
      break;
    case SCAN_EV_INFECTED_FILE:
    case SCAN_EV_DROPPED_FILE:
      if (text != nullptr) GuiReporter_OnInfectedFile(event, text, signature);
      break;
    case SCAN_EV_REGISTRY_CLEANED:
      GuiReporter_OnRegistryCleaned();
      break;
    case SCAN_EV_LOG_FILE:
      if (text != nullptr) GuiReporter_OnLogFile(text);
      break;
    case SCAN_EV_FINISHED:
      GuiReporter_OnClosing("--- Removal process finished at %02d:%02d:%02d on %d %s %d ---", "Completed");
      break;
    case SCAN_EV_STOPPED:
      GuiReporter_OnClosing("--- Removal process stopped at %02d:%02d:%02d on %d %s %d ---", "Stopped");
      break;
    default:
      break;
  }
}

// Removal needs an explicit answer: Yes to the first question, or No ("not sure") to the warning.
// A box that could not be shown (its owner already gone while the program closes) removes nothing.
static bool GuiSummary_UserAgreesToRemove(int32_t count) {
  char question[256];
  snprintf(question, sizeof question,
           "Vexlor was found in %d files on your PC. Would you like to remove the infected files?",
           static_cast<int>(count));
  int answer = GuiMessage(mainDialog, question, MB_YESNO | MB_ICONWARNING);
  if (answer == IDYES) return true;
  if (answer != IDNO) return false;
  answer = GuiMessage(mainDialog, "Warning! Your computer may still be infected by Vexlor. Are you sure you want to continue?",
                      MB_YESNO | MB_ICONWARNING);
  return answer == IDNO;
}

void GuiSummary() {
  int32_t count = FindingList_Count();
  if (count == 0) {
    GuiMessage(mainDialog,
               tracesFound ? "Vexlor-traces was found and removed from your computer!"
                           : "Vexlor was not found on your computer!",
               MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (GuiSummary_UserAgreesToRemove(count)) {
    FindingRemoval removal = FindingList_RemoveAll();
    char result[128];
    snprintf(result, sizeof result, "%d out of %d files were successfully removed!", static_cast<int>(removal.deleted),
             static_cast<int>(removal.total));
    GuiMessage(mainDialog, result, MB_OK | MB_ICONINFORMATION);
  }
  FindingList_Clear();
}
