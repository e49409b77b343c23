// What one PurgewellScan run found and did: the findings with their actions, the counts, the run's end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_removal.h"

enum { FINDING_PROCESS, FINDING_RUN_VALUE, FINDING_INFECTED_FILE, FINDING_DROPPED_FILE, FINDING_LOG_FILE };

enum {
  SKIP_TOO_LARGE,
  SKIP_UNREADABLE,
  SKIP_UNLISTABLE_DIRECTORY,
  SKIP_PATH_TOO_LONG,
  SKIP_LINK_LOOP,
  SKIP_IN_QUARANTINE,  // a body in this run's quarantine folder: found before, kept on purpose
  SKIP_UNJOINABLE_NAME,  // a listed name holding \ or /, which no path leads back to
  SKIP_REASON_COUNT
};

struct ScanFinding {
  int kind = FINDING_INFECTED_FILE;
  std::string path;  // a process's image file, a Run value's name, or a file
  std::string variant;
  bool haveCrc = false;
  uint32_t crc = 0;
  bool haveSize = false;
  uint64_t size = 0;
  std::string sha256;  // lower-case hex, "" when it could not be taken
  std::string action;  // "" until known; the words are listed in docs/scan-report.md
  std::string error;
  std::string quarantineId;
  // A file as it was when reported; only that file is deleted or moved. Released once, by ScanRecord_Release.
  ExaminedFile examined = {};
};

// An entry the walk could not check that could hide a trace (not one too large to be Vexlor, nor a quarantined
// body), named in the report with its reason.
struct UncheckedEntry {
  int reason;
  std::string path;  // the entry's name alone for SKIP_PATH_TOO_LONG
};
enum { UNCHECKED_ENTRIES_LISTED = 100 };  // the report names this many; the counts stay exact

struct ScanRecord {
  std::vector<ScanFinding> findings;
  uint64_t examined = 0;
  uint64_t skipped[SKIP_REASON_COUNT] = {};
  std::vector<UncheckedEntry> unchecked;  // the first UNCHECKED_ENTRIES_LISTED, in the walk's order
  uint64_t uncheckedLeftOut = 0;
  bool driveUnwalkable = false;
  bool finished = false;  // SCAN_EV_FINISHED arrived
  bool stopped = false;   // a stop request ended the scan
  std::string started;
  std::string ended;
};

// Filled by the scan's reporter on the scanning thread; read by the main thread once that thread has ended.
extern ScanRecord scanRecord;

extern const char* const FINDING_KIND_NAMES[];
extern const char* const SKIP_REASON_NAMES[];

bool ScanFinding_IsFile(const ScanFinding& finding);
// What the checks before a file's removal need: its checksum too when it was found by one.
uint32_t ScanFinding_RemovalOptions(const ScanFinding& finding);
void ScanRecord_Release();
// True when a finding stays on the machine: left by report only, a failed act, or a stop before removal.
bool ScanFinding_Left(const ScanFinding& finding);
