// The JSON report of one run (schema in docs/scan-report.md) and the exit code that sums the run up.
#pragma once

#include <string>

#include "scan_record.h"

enum { SCAN_REPORT_SCHEMA_VERSION = 1 };

struct ReportContext {
  std::string machine;
  std::string version;
  std::string mode;  // "report_only", "remove" or "delete"
  std::string quarantine;  // "" when the run used none
  bool administrator = false;
  std::string note;  // /note's text, "" when none was given
  int exitCode = 0;
};

// 0 to 3 from what the run found and did (see exit_codes.h).
int ScanReport_ExitCode(const ScanRecord& record);
// "clean", "cleaned", "infected", "incomplete", or "not_run" for codes 4 and up.
const char* ScanReport_Outcome(int exitCode);
std::string ScanReport_Build(const ScanRecord& record, const ReportContext& context);
