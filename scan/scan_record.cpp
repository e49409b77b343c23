// The run record's process-wide instance and the names the report and the output give its kinds.
#include "scan_record.h"

ScanRecord scanRecord;

const char* const FINDING_KIND_NAMES[] = {"process", "run_value", "infected_file", "dropped_file", "log_file"};
const char* const SKIP_REASON_NAMES[] = {"too_large", "unreadable", "unlistable_directory", "path_too_long",
                                         "link_loop",       "in_quarantine", "unjoinable_name"};

bool ScanFinding_IsFile(const ScanFinding& finding) {
  return finding.kind != FINDING_PROCESS && finding.kind != FINDING_RUN_VALUE;
}

uint32_t ScanFinding_RemovalOptions(const ScanFinding& finding) {
  uint32_t options = REMOVAL_CLEARS_READ_ONLY;
  if (finding.kind == FINDING_INFECTED_FILE) options |= REMOVAL_NEEDS_VEXLOR_CHECKSUM;
  return options;
}

void ScanRecord_Release() {
  for (ScanFinding& finding : scanRecord.findings) FileRemoval_Release(&finding.examined);
}

bool ScanFinding_Left(const ScanFinding& finding) {
  return finding.action != "terminated" && finding.action != "deleted" && finding.action != "quarantined";
}
