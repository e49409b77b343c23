// The process-wide stop flags of the running scan and the setting of what its trace stages may do.
#include "scan_events.h"

ScanControl scanControl = {{0}, {0}};

static std::atomic<int32_t> scanActions{SCAN_ACTIONS_INTERACTIVE};

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

void ScanControl_SetActions(int32_t actions) { scanActions.store(actions); }

int32_t ScanControl_Actions() { return scanActions.load(); }

void ScanControl_ReportSkip(ScanReporter reporter, ScanEvent event, const char* text) {
  if (scanActions.load() != SCAN_ACTIONS_INTERACTIVE) ScanReport(reporter, event, text, nullptr);
}
