// ConsoleReporter: engine events as console lines and findings; ConsoleSummary: the Y/N removal dialogue.
#include "console_reporter.h"

#include "console_output.h"
#include "run_events.h"
#include "finding_list.h"

ConsoleRun consoleRun;

void ConsoleRun_Prepare(ConsoleRun* run, int32_t progressWidth) {
  RunRecord_Start(&run->record);
  ProgressRefresh_Reset(&run->refresh);
  run->clock = SystemClock;
  run->readKey = ConsoleOutput_ReadKey;
  run->progressWidth = progressWidth;
  run->closingEvent.store(0);
  run->stopCause.store(CONSOLE_STOP_NONE);
}

// The time lines; the finished and stopped ones carry trailing spaces after the closing dashes.
static void Reporter_PrintTimeLine(ConsoleRun* run, RunLine which, const char* padding) {
  char line[RUN_REPORT_LINE_SIZE];
  RunReport_TimeLine(line, sizeof line, which, run->clock.localTime());
  ConsoleOutput_Print("%s%s\n", line, padding);
}

static void Reporter_OnStarted(void* context) {
  Reporter_PrintTimeLine(static_cast<ConsoleRun*>(context), RUN_LINE_STARTED, "");
}

static void Reporter_OnProgress(void* context, const char* item) {
  ConsoleOutput_Progress(item, static_cast<ConsoleRun*>(context)->progressWidth);
}

static void Reporter_OnTraceLine(void*, const char* line) { ConsoleOutput_Print("%s\n", line); }

// The run is over; the main thread runs the summary once the scanning thread has ended.
static void Reporter_OnClosing(void* context, ScanEvent event) {
  ConsoleRun* run = static_cast<ConsoleRun*>(context);
  if (event == SCAN_EV_FINISHED) {
    Reporter_PrintTimeLine(run, RUN_LINE_FINISHED, "               ");
  } else {
    Reporter_PrintTimeLine(run, RUN_LINE_STOPPED, "                ");
  }
  run->closingEvent.store(event);
}

static const RunShow CONSOLE_SHOW = {Reporter_OnStarted, Reporter_OnProgress, Reporter_OnTraceLine,
                                     Reporter_OnClosing};

void ConsoleReporter(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  ConsoleRun* run = static_cast<ConsoleRun*>(context);
  RunEvents_Dispatch(CONSOLE_SHOW, run, RunTrack{&run->record, &run->refresh, &run->clock}, event, text, signature);
}

static bool IsYes(int key) { return key == 'Y' || key == 'y'; }
static bool IsNo(int key) { return key == 'N' || key == 'n'; }

// The user's answer to the removal question: true means delete the listed files.
static bool Summary_AskRemoval(ConsoleRun* run, int32_t count) {
  char question[RUN_REPORT_LINE_SIZE];
  RunReport_RemovalQuestion(question, sizeof question, count);
  ConsoleOutput_Print("%s Y/N\n", question);
  int key = run->readKey();
  if (IsYes(key)) return true;
  if (IsNo(key)) {
    ConsoleOutput_Print("%s Y/N\n", RUN_TEXT_NOT_SURE);
    // "No, not sure" means remove after all; every other answer keeps the files.
    return IsNo(run->readKey());
  }
  ConsoleOutput_Print("Warning! You did not type either Y or N. Defaulting to Y.\n");
  return true;
}

void ConsoleSummary(ConsoleRun* run) {
  int32_t count = FindingList_Count();
  if (count == 0) {
    // The two outcomes are padded to one width with trailing spaces.
    bool traces = run->record.tracesFound.load() != 0;
    ConsoleOutput_Print("%s%s\n", RunReport_EmptyListOutcome(traces),
                        traces ? "                       " : "                                        ");
    return;
  }
  if (Summary_AskRemoval(run, count)) {
    char result[RUN_REPORT_LINE_SIZE];
    RunReport_RemovalResult(result, sizeof result, FindingList_RemoveAll());
    ConsoleOutput_Print("%s\n", result);
  }
  FindingList_Clear();
}
