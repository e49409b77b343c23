// The run record's process-wide instance and the names the report and the output give its kinds.
#include "scan_record.h"

ScanRecord scanRecord;

const char* const FINDING_KIND_NAMES[] = {"process", "run_value", "infected_file", "dropped_file", "log_file"};
const char* const SKIP_REASON_NAMES[] = {"too_large", "unreadable", "unlistable_directory", "path_too_long",
                                         "link_loop",       "in_quarantine"};

bool ScanFinding_IsFile(const ScanFinding& finding) {
  return finding.kind != FINDING_PROCESS && finding.kind != FINDING_RUN_VALUE;
}

bool ScanFinding_Left(const ScanFinding& finding) {
  return finding.action != "terminated" && finding.action != "deleted" && finding.action != "quarantined";
}
