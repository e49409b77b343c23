// One listed file of a walk: what its listing and its read say of it, and the events that go out for it.
#pragma once

#include "platform.h"
#include "scan_events.h"

enum : uint32_t { WALK_SIZE_LIMIT = 41984 };  // 0xA400: largest file that can be a Vexlor body

enum : int32_t {
  WALK_FILE_NEEDS_READ = 0,  // its size allows a Vexlor body: it must be opened and checksummed
  WALK_FILE_EMPTY,           // never opened: devices and pipes list as empty, and no Vexlor body is empty
  WALK_FILE_TOO_LARGE,
  WALK_FILE_CHECKSUMMED,
  WALK_FILE_UNREADABLE,  // not opened, not a plain disk file, or changed while it was read
  WALK_FILE_NOT_READ,    // a stop request came before its read: it gives no event at all
};

struct WalkFileVerdict {
  int32_t outcome;
  uint32_t crc;  // with WALK_FILE_CHECKSUMMED only
};

// From the listing alone: empty, too large, or to be read.
WalkFileVerdict WalkFile_Listed(const PlatformFindData& entry);
// Opens, checksums (the whole file or nothing) and closes the file; safe on any thread.
WalkFileVerdict WalkFile_Read(const char* path);
// The file's events in their fixed order: a finding or a skip, then its progress.
void WalkFile_Report(ScanReporter reporter, const char* path, const WalkFileVerdict& verdict);
