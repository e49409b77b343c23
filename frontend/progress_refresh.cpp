// The refresh rule of the progress display, shared by the console line, the window's status text and
// PurgewellScan's progress lines.
#include "progress_refresh.h"

void ProgressRefresh_ResetEvery(ProgressRefresh* refresh, uint32_t interval) {
  refresh->shown = false;
  refresh->lastTick = 0;
  refresh->interval = interval;
}

void ProgressRefresh_Reset(ProgressRefresh* refresh) { ProgressRefresh_ResetEvery(refresh, PROGRESS_REFRESH_MS); }

// Unsigned difference, so the tick counter's wrap after 49.7 days changes nothing.
bool ProgressRefresh_IsDue(ProgressRefresh* refresh, uint32_t now) {
  if (refresh->shown && now - refresh->lastTick < refresh->interval) return false;
  refresh->shown = true;
  refresh->lastTick = now;
  return true;
}
