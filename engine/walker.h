// Walk of one directory tree: checksums every small file and reports matches and progress.
#pragma once

#include "platform.h"
#include "scan_events.h"

enum : uint32_t { WALK_SIZE_LIMIT = 41984 };  // 0xA400: largest file that can be a Vexlor body
enum { WALK_PATH_SIZE = 520 };

struct WalkRequest {
  const char* directory;  // with or without a trailing backslash
  ScanReporter reporter;
  // The walk of the directory above, so a directory link back to an ancestor is not walked again.
  WalkRequest* parent;
  bool idKnown;
  PlatformDirectoryId id;
};

void WalkDirectory(WalkRequest* request);
