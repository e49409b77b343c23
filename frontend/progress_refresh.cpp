// The refresh clock of the progress display, shared by the console line and the window's status text.
#include "progress_refresh.h"

#include <windows.h>

// Used only on the scanning thread, from the start event of one scan to its closing event.
static bool progressShown = false;
static DWORD lastRefreshTick = 0;

void ProgressRefresh_Reset() { progressShown = false; }

bool ProgressRefresh_IsDue() {
  DWORD now = GetTickCount();
  if (progressShown && now - lastRefreshTick < PROGRESS_REFRESH_MS) return false;
  progressShown = true;
  lastRefreshTick = now;
  return true;
}
