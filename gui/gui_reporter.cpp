// GuiReporter turns scan events into scan-log lines, the status text and the Start/Stop caption, and tells the
// dialog when the run is over; GuiSummary asks about removal.
#include "gui_reporter.h"

#include <cstdlib>

#include "finding_list.h"
#include "run_events.h"
#include "resource.h"
#include "text.h"

// Sends a UTF-8 text to a control as UTF-16, so a name outside the ANSI code page shows as it is.
// Every call below is a sent message: the scanning thread waits until the dialog has handled it.
static void SendText(const GuiRun* run, int control, UINT message, const char* text) {
  size_t units = Text_Utf16LengthOf(text) + 1;
  uint16_t* wide = static_cast<uint16_t*>(std::malloc(units * sizeof(uint16_t)));
  if (wide == nullptr) return;
  Text_ToUtf16(wide, units, text);
  SendDlgItemMessageW(run->dialog, control, message, 0, reinterpret_cast<LPARAM>(wide));
  std::free(wide);
}

static void AddLine(const GuiRun* run, const char* line) { SendText(run, IDC_SCAN_LOG, LB_ADDSTRING, line); }

static void SetStatus(const GuiRun* run, const char* text) { SendText(run, IDC_STATUS, WM_SETTEXT, text); }

static void AddTimeLine(GuiRun* run, RunLine which) {
  char line[RUN_REPORT_LINE_SIZE];
  RunReport_TimeLine(line, sizeof line, which, run->clock.localTime());
  AddLine(run, line);
}

static void GuiReporter_OnStarted(void* context) {
  GuiRun* run = static_cast<GuiRun*>(context);
  AddTimeLine(run, RUN_LINE_STARTED);
  SetWindowTextA(GetDlgItem(run->dialog, IDC_START_STOP), "&Stop");
}

static void GuiReporter_OnProgress(void* context, const char* item) { SetStatus(static_cast<GuiRun*>(context), item); }

static void GuiReporter_OnTraceLine(void* context, const char* line) { AddLine(static_cast<GuiRun*>(context), line); }

// The closing line is the run's last; the dialog's own thread does the rest when the posted message arrives.
static void GuiReporter_OnClosing(void* context, ScanEvent event) {
  GuiRun* run = static_cast<GuiRun*>(context);
  AddTimeLine(run, event == SCAN_EV_FINISHED ? RUN_LINE_FINISHED : RUN_LINE_STOPPED);
  PostMessageA(run->dialog, WM_APP_RUN_OVER, event, 0);
}

static const RunShow GUI_SHOW = {GuiReporter_OnStarted, GuiReporter_OnProgress, GuiReporter_OnTraceLine,
                                 GuiReporter_OnClosing};

void GuiReporter(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  GuiRun* run = static_cast<GuiRun*>(context);
  RunEvents_Dispatch(GUI_SHOW, run, RunTrack{&run->record, &run->refresh, &run->clock}, event, text, signature);
}

// Removal needs an explicit answer: Yes to the first question, or No ("not sure") to the warning.
// A box that could not be shown removes nothing.
static bool GuiSummary_UserAgreesToRemove(HWND dialog, int32_t count) {
  char question[RUN_REPORT_LINE_SIZE];
  RunReport_RemovalQuestion(question, sizeof question, count);
  int answer = GuiMessage(dialog, question, MB_YESNO | MB_ICONWARNING);
  if (answer == IDYES) return true;
  if (answer != IDNO) return false;
  return GuiMessage(dialog, RUN_TEXT_NOT_SURE, MB_YESNO | MB_ICONWARNING) == IDNO;
}

void GuiSummary(GuiRun* run) {
  int32_t count = FindingList_Count();
  if (count == 0) {
    GuiMessage(run->dialog, RunReport_EmptyListOutcome(run->record.tracesFound.load() != 0), MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (GuiSummary_UserAgreesToRemove(run->dialog, count)) {
    char result[RUN_REPORT_LINE_SIZE];
    RunReport_RemovalResult(result, sizeof result, FindingList_RemoveAll());
    GuiMessage(run->dialog, result, MB_OK | MB_ICONINFORMATION);
  }
  FindingList_Clear();
}
