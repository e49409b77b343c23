// The refresh rule of the progress display, shared by the console line and the window's status text.
#include "progress_refresh.h"

void ProgressRefresh_Reset(ProgressRefresh* refresh) { refresh->shown = false; }

// Unsigned difference, so the tick counter's wrap after 49.7 days changes nothing.
bool ProgressRefresh_IsDue(ProgressRefresh* refresh, uint32_t now) {
  if (refresh->shown && now - refresh->lastTick < PROGRESS_REFRESH_MS) return false;
  refresh->shown = true;
  refresh->lastTick = now;
  return true;
}
