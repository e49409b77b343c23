// One unattended scan: control handler, the scanning thread, the acts on what it found, output, report, marker.
#pragma once

#include "scan_options.h"

// Returns the exit code. The caller holds the single-instance mutex.
int ScanRun_Execute(const ScanOptions& options);
// A report for a run that could not start (codes 4 and up), when a report file was asked for.
void ScanRun_WriteNotRunReport(const ScanOptions& options, int exitCode);
