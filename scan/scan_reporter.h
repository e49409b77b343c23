// PurgewellScan's engine callback: findings, counts and skips into scanRecord, a progress line on standard error.
#pragma once

#include <string>

#include "scan_events.h"

// Set before the scan: no progress line when true; files in this folder are not findings.
extern bool scanReporterQuiet;
extern std::string scanReporterQuarantine;

void ScanReporter_Reset();
// Reports into scanRecord; no context.
extern const ScanReporter scanRecordReporter;
