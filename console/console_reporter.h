// The console's ScanReporter, the state of its one run, and the end-of-run removal dialogue.
#pragma once

#include <atomic>
#include <cstdint>

#include "progress_refresh.h"
#include "run_clock.h"
#include "run_report.h"
#include "scan_events.h"

// How the console asked the run to stop; the control handler sets it before it requests the stop.
enum : int32_t { CONSOLE_STOP_NONE = 0, CONSOLE_STOP_CTRL_C = 1, CONSOLE_STOP_WINDOW_CLOSED = 2 };

// The reporter's context. Set up on the main thread before the scan starts; the scanning thread writes
// record, refresh and closingEvent; the main thread reads them once the scanning thread has ended.
struct ConsoleRun {
  RunRecord record;
  ProgressRefresh refresh;
  RunClock clock;
  int (*readKey)();       // the summary's answers: one key without echo, -1 without console input
  int32_t progressWidth;  // characters (terminator included) to which progress paths are compacted
  std::atomic<uint32_t> closingEvent;  // SCAN_EV_FINISHED or SCAN_EV_STOPPED once reported, else 0
  std::atomic<int32_t> stopCause;      // CONSOLE_STOP_*
};

// The program's one run, reached by the control handler too.
extern ConsoleRun consoleRun;

// Ready for a new scan: the system clock, keys from the console, nothing reported or stopped yet.
void ConsoleRun_Prepare(ConsoleRun* run, int32_t progressWidth);

// run is the ConsoleRun.
void ConsoleReporter(void* run, ScanEvent event, const char* text, const ThreatSignature* signature);

// Offers to delete the listed files, deletes them on consent and empties the list; run once the scan is over.
void ConsoleSummary(ConsoleRun* run);
