// PurgewellScan's engine callback: findings, counts and skips into a run record, a progress line on standard error.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "progress_refresh.h"
#include "scan_events.h"
#include "scan_record.h"

enum { SCAN_PROGRESS_INTERVAL_MS = 1000 };

// The reporter's context: where it records, what it was told before the scan, and what it keeps meanwhile.
struct ScanReporterState {
  ScanRecord* record = nullptr;
  bool quiet = false;        // no progress line
  std::string quarantine;    // files in this folder are not findings ("" for none)
  ProgressRefresh progress = {};
  // Each found file by its name folded as Windows compares names: an index into record->findings.
  std::unordered_map<std::string, size_t> filesByName;
};

// A reporter over state, which must outlive the scan; the record is emptied first.
ScanReporter ScanReporter_Start(ScanReporterState* state, ScanRecord* record, bool quiet,
                                 const std::string& quarantine);
