// PurgewellScan's command line: Windows-style switches into one plain record.
#pragma once

#include <string>

enum { TASK_SCAN, TASK_LIST, TASK_RESTORE, TASK_ROLLUP, TASK_HELP };
enum { REMOVAL_NONE, REMOVAL_QUARANTINE, REMOVAL_DELETE };

struct ScanOptions {
  int task = TASK_SCAN;
  int removal = REMOVAL_NONE;  // no switch: report only
  bool quiet = false;
  std::string quarantineDirectory;  // "" for the default
  std::string reportPath;
  std::string restoreId;  // an item's id, or "all"
  std::string rollupDirectory;
  std::string since;  // roll-up: reports that ended before this time count as silent
  std::string csvPath;
  std::string trustedAccount;  // roll-up: reports this account owns count by the machine they name
  std::string note;  // a scan's report keeps it as "note"
};

// Switches start with '/' or '-', names without regard to case; a value follows ':'.
// False with a one-line reason when the command line cannot be used.
bool ScanOptions_Parse(int count, const char* const* arguments, ScanOptions* options, std::string* error);

extern const char SCAN_USAGE[];
