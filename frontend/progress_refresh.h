// How often the reporters redraw the item being examined: nobody reads thousands of lines a second,
// and every redraw costs the scan a round trip to the console or the window.
#pragma once

enum { PROGRESS_REFRESH_MS = 40 };

// Next scan: its first progress event is shown at once.
void ProgressRefresh_Reset();
// True when the display should show the item of this progress event: the first one of a scan, and then
// one at most every PROGRESS_REFRESH_MS, always the item being examined at that moment.
bool ProgressRefresh_IsDue();
