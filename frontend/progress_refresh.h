// How often the reporters redraw (or, unattended, print) the item being examined: nobody reads thousands of lines a second,
// and every redraw costs the scan a round trip to the console or the window.
#pragma once

#include <cstdint>

enum { PROGRESS_REFRESH_MS = 40 };

// Kept by a reporter from the start event of one scan to its closing event, on the scanning thread.
struct ProgressRefresh {
  bool shown;
  uint32_t lastTick;
  uint32_t interval;  // milliseconds
};

// Next scan: its first progress event is shown at once, then one at most every PROGRESS_REFRESH_MS.
void ProgressRefresh_Reset(ProgressRefresh* refresh);
// The same, at most one every interval milliseconds (PurgewellScan's progress lines on standard error).
void ProgressRefresh_ResetEvery(ProgressRefresh* refresh, uint32_t interval);
// True when the display should show the item of this progress event, now being the clock's tick: the first
// one of a scan, and then one at most every interval, always the item being examined at that moment.
bool ProgressRefresh_IsDue(ProgressRefresh* refresh, uint32_t now);
