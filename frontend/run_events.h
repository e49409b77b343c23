// The one dispatch of a scan's events for the interactive programs: each program says only how it shows them.
#pragma once

#include "progress_refresh.h"
#include "run_clock.h"
#include "run_report.h"
#include "scan_events.h"

// How one program shows a run; each is called on the scanning thread, with the program's run.
struct RunShow {
  void (*started)(void* run);                     // the started line; the record and refresh are then reset
  void (*progress)(void* run, const char* item);  // only when a refresh is due, with the item of that moment
  void (*traceLine)(void* run, const char* line);  // a trace's line; the trace is then noted in the record
  void (*closing)(void* run, ScanEvent event);     // SCAN_EV_FINISHED or SCAN_EV_STOPPED
};

// What the dispatch keeps up to date for the program, in the program's run.
struct RunTrack {
  RunRecord* record;
  ProgressRefresh* refresh;
  const RunClock* clock;
};

void RunEvents_Dispatch(const RunShow& show, void* run, const RunTrack& track, ScanEvent event, const char* text,
                        const ThreatSignature* signature);
