// The recursive drive walker: one listing handle and two path buffers per level, no heap.
#include "walker.h"

#include <cstring>

#include "signatures.h"
#include "text.h"

static bool SameDirectory(const PlatformDirectoryId& a, const PlatformDirectoryId& b) {
  return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

static bool WalkRequest_Id(WalkRequest* walk, PlatformDirectoryId* id) {
  if (!walk->idKnown) walk->idKnown = Platform_GetDirectoryId(walk->directory, &walk->id);
  if (walk->idKnown) *id = walk->id;
  return walk->idKnown;
}

// A link (reparse point) that leads to a directory already on the current path would walk forever.
static bool LinkLeadsToAncestor(const char* linkPath, WalkRequest* current) {
  PlatformDirectoryId target;
  if (!Platform_GetDirectoryId(linkPath, &target)) return false;
  for (WalkRequest* ancestor = current; ancestor != nullptr; ancestor = ancestor->parent) {
    PlatformDirectoryId ancestorId;
    if (WalkRequest_Id(ancestor, &ancestorId) && SameDirectory(target, ancestorId)) return true;
  }
  return false;
}

static void ReportFile(const char* path, const PlatformFindData& entry, ScanReporter reporter) {
  uint32_t crc;
  if (entry.sizeLow > WALK_SIZE_LIMIT) {
    ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_TOO_LARGE, path);
  } else if (FileCrc32(path, &crc)) {
    for (int row = 0; row < SIGNATURE_COUNT; ++row) {
      if (SignatureTable[row].crc == crc) ScanReport(reporter, SCAN_EV_INFECTED_FILE, path, &SignatureTable[row]);
    }
  } else if (entry.sizeLow != 0 || entry.sizeHigh != 0) {
    ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_UNREADABLE, path);
  }
  ScanReport(reporter, SCAN_EV_PROGRESS, path, nullptr);
}

void WalkDirectory(WalkRequest* request) {
  ScanReporter reporter = request->reporter;
  if (ScanControl_StopRequested()) {
    ScanControl_ReportStop(reporter);
    return;
  }

  char base[WALK_PATH_SIZE];
  char entryPath[WALK_PATH_SIZE];
  // The pattern is built in entryPath's buffer before the listing starts.
  if (!Text_Copy(entryPath, sizeof entryPath, request->directory) ||
      !Text_Append(entryPath, sizeof entryPath, "\\*")) {
    return;
  }
  if (!Text_Copy(base, sizeof base, request->directory)) return;
  if (!Text_EndsWithBackslash(base) && !Text_Append(base, sizeof base, "\\")) return;

  PlatformFindData entry;
  PlatformHandle find;
  if (!Platform_FindFirst(entryPath, &find, &entry)) {
    ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_UNLISTABLE, request->directory);
    return;
  }

  do {
    if (ScanControl_StopRequested()) {
      Platform_FindClose(find);
      ScanControl_ReportStop(reporter);
      return;
    }
    if (entry.name[0] == '.') continue;
    // A path that does not fit is skipped whole, never cut into another file's path.
    if (!Text_JoinPath(entryPath, sizeof entryPath, base, entry.name)) {
      ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_PATH_TOO_LONG, entry.name);
      continue;
    }

    if (entry.attributes & PLATFORM_ATTR_DIRECTORY) {
      if ((entry.attributes & PLATFORM_ATTR_REPARSE_POINT) && LinkLeadsToAncestor(entryPath, request)) {
        ScanControl_ReportSkip(reporter, SCAN_EV_SKIPPED_LINK_LOOP, entryPath);
        continue;
      }
      WalkRequest child = {entryPath, reporter, request, false, {0, 0, 0}};
      WalkDirectory(&child);
    } else {
      ReportFile(entryPath, entry, reporter);
    }
  } while (Platform_FindNext(find, &entry));

  Platform_FindClose(find);
}
