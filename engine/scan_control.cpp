// The process-wide stop flags of the running scan, and skip events for the scans that want them.
#include "scan_events.h"

ScanControl scanControl = {{0}, {0}};

void ScanControl_Reset() {
  scanControl.stopRequested.store(0);
  scanControl.stopReported.store(0);
}

void ScanControl_RequestStop() { scanControl.stopRequested.store(1); }

bool ScanControl_StopRequested() { return scanControl.stopRequested.load() != 0; }

void ScanControl_ReportStop(ScanReporter reporter) {
  if (scanControl.stopReported.load() != 0) return;
  ScanReport(reporter, SCAN_EV_STOPPED, nullptr, nullptr);
  scanControl.stopReported.store(1);
}

void ScanControl_ReportSkip(ScanReporter reporter, ScanEvent event, const char* text) {
  if (reporter.actions != SCAN_ACTIONS_INTERACTIVE) ScanReport(reporter, event, text, nullptr);
}
