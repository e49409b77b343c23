// Walk of one directory tree: checksums every small plain disk file and reports matches and progress.
#pragma once

#include "platform.h"
#include "scan_events.h"
#include "walk_file.h"
enum { WALK_MAX_VOLUMES = 26 };

// The volumes of the drives a scan walks. A directory link into one of them is not followed: the walk of that
// drive reaches its target along ordinary folders, so its files are examined and listed once.
struct WalkVolumes {
  PlatformDirectoryId roots[WALK_MAX_VOLUMES];
  int count;
};

struct WalkRequest {
  const char* directory;  // UTF-8, with or without a trailing backslash
  ScanReporter reporter;
  // Null: every directory link is followed unless it leads back to a directory the walk is inside or has
  // already entered through a link.
  const WalkVolumes* walkedVolumes;
};

// Iterative: the listing handles and the path live on the heap, so the stack use does not grow with depth.
// Where the process may use more than one CPU the listed files are read by a pool of threads (read_pool.h);
// the events are the same, in the same order, and all go out on the calling thread.
void WalkDirectory(const WalkRequest* request);

// Notes the volume of a drive root the scan will walk; false when root names the same directory as an earlier
// root (a second letter for one folder), which then needs no walk of its own.
bool WalkVolumes_AddRoot(WalkVolumes* volumes, const char* root);
