// A walked file's verdict from its listing and its read, and the events it gives.
#include "walk_file.h"

#include "signatures.h"

WalkFileVerdict WalkFile_Listed(const PlatformFindData& entry) {
  WalkFileVerdict verdict = {WALK_FILE_NEEDS_READ, 0};
  if (entry.sizeHigh != 0 || entry.sizeLow > WALK_SIZE_LIMIT) {
    verdict.outcome = WALK_FILE_TOO_LARGE;
  } else if (entry.sizeLow == 0) {
    verdict.outcome = WALK_FILE_EMPTY;
  }
  return verdict;
}

WalkFileVerdict WalkFile_Read(const char* path) {
  WalkFileVerdict verdict = {WALK_FILE_UNREADABLE, 0};
  if (FileCrc32_AtMost(path, WALK_SIZE_LIMIT, &verdict.crc)) verdict.outcome = WALK_FILE_CHECKSUMMED;
  return verdict;
}

void WalkFile_Report(ScanReporter reporter, const char* path, const WalkFileVerdict& verdict) {
  if (verdict.outcome == WALK_FILE_NOT_READ) return;
  if (verdict.outcome == WALK_FILE_TOO_LARGE) {
    ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_TOO_LARGE, path);
  } else if (verdict.outcome == WALK_FILE_CHECKSUMMED) {
    for (int row = 0; row < SIGNATURE_COUNT; ++row) {
      if (SignatureTable[row].crc == verdict.crc) {
        ScanReport(reporter, SCAN_EV_INFECTED_FILE, path, &SignatureTable[row]);
      }
    }
  } else if (verdict.outcome == WALK_FILE_UNREADABLE) {
    ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_UNREADABLE, path);
  }
  ScanReport(reporter, SCAN_EV_PROGRESS, path, nullptr);
}
