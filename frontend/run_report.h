// What both programs tell the user about a run, and which events are findings. Texts only: each program
// shows them its own way (console lines and Y/N keys, list-box lines and message boxes).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "finding_list.h"
#include "run_clock.h"
#include "scan_events.h"

// Room for every line below with a path of up to 519 characters; a trace line with a longer path is built in a
// buffer of its own (RunReport_MakeTraceLine).
enum { RUN_REPORT_LINE_SIZE = 584 };

// Before a scan, to a user without administrator rights (the console adds " Y/N").
extern const char RUN_TEXT_ADMIN_QUESTION[];
// Instead of starting, while another copy of either program runs.
extern const char RUN_TEXT_ALREADY_RUNNING[];
// After No to the removal question (the console adds " Y/N"); No to this one removes after all.
extern const char RUN_TEXT_NOT_SURE[];

enum RunLine { RUN_LINE_STARTED, RUN_LINE_FINISHED, RUN_LINE_STOPPED };

// "--- Removal process started at 09:05:07 on 6 December 2026 ---", cut to size; a month out of range shows
// no name.
void RunReport_TimeLine(char* line, size_t size, RunLine which, const RunTime& time);

// The line of a trace event (process killed, infected, dropped or log file, Run value removed), cut to size;
// false, and nothing written, for every other event and for a file event without its path.
bool RunReport_TraceLine(char* line, size_t size, ScanEvent event, const char* text, const ThreatSignature* signature);

// A trace line that shows the whole path, however long: text is inPlace, or a heap block when the path needs
// more room (and memory allows; else the line is cut to inPlace). Release it with RunReport_FreeTraceLine.
struct TraceLine {
  char* text;
  char inPlace[RUN_REPORT_LINE_SIZE];
};
bool RunReport_MakeTraceLine(TraceLine* line, ScanEvent event, const char* text, const ThreatSignature* signature);
void RunReport_FreeTraceLine(TraceLine* line);

// "Vexlor was found in 2 files on your PC. Would you like to remove the infected files?" (the console adds " Y/N").
void RunReport_RemovalQuestion(char* line, size_t size, int32_t count);
// "2 out of 3 files were successfully removed!"
void RunReport_RemovalResult(char* line, size_t size, FindingRemoval removal);
// What a run whose findings list is empty ends with: every trace dealt with during the scan, or none found.
const char* RunReport_EmptyListOutcome(bool tracesFound);

// What a reporter keeps of its run beyond the findings list. Written on the scanning thread; the program's
// thread reads it once the run is over.
struct RunRecord {
  std::atomic<int32_t> tracesFound;  // tells "nothing found" from "all dealt with" when the list is empty
};

// At the start event: no trace yet.
void RunRecord_Start(RunRecord* record);
// Every trace event sets tracesFound; the files of infected, dropped and log-file events enter the findings list.
void RunRecord_Note(RunRecord* record, ScanEvent event, const char* text);
