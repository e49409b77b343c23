// The windowed program's scan reporter, and its end-of-run removal dialogue run by the main dialog.
#pragma once

#include <windows.h>

#include "gui_state.h"
#include "scan_events.h"

// Posted by the reporter to the main dialog when the run is over; wParam is SCAN_EV_FINISHED or SCAN_EV_STOPPED.
enum : UINT { WM_APP_RUN_OVER = WM_APP + 1 };

// run is the GuiRun. Runs on the scanning thread; reaches the dialog only through messages.
void GuiReporter(void* run, ScanEvent event, const char* text, const ThreatSignature* signature);

// Message boxes owned by the dialog: the outcome, or the removal questions and the result. Main thread only.
void GuiSummary(GuiRun* run);
