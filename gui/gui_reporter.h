// The windowed program's scan reporter and its end-of-run removal dialogue; both run on the scanning thread.
#pragma once

#include "scan_events.h"

void GuiReporter(ScanEvent event, const char* text, const ThreatSignature* signature);
void GuiSummary();
