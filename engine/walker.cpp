// The drive walker: depth first over a heap-kept stack of open listings and one heap path buffer.
#include "walker.h"

#include <cstdlib>
#include <cstring>

#include "read_pool.h"
#include "text.h"

namespace {

struct WalkLevel {
  PlatformHandle find;
  size_t pathLength;  // bytes of the path up to and including this directory's trailing backslash
  size_t pathUnits;   // the same in UTF-16 units, for the platform's path limit
  bool idTried;
  bool idKnown;
  PlatformDirectoryId id;
};

struct WalkState {
  const WalkRequest* request;
  WalkLevel* levels;
  size_t depth;
  size_t levelCapacity;
  char* path;  // the current entry's path; each level's directory path is a prefix of it
  size_t pathCapacity;
  PlatformDirectoryId* linkTargets;  // directories entered through a link: none is entered twice
  size_t linkCount;
  size_t linkCapacity;
  PlatformFindData entry;
  ReadPool* pool;  // null: each file is read and reported here, in turn
};

// Room for the "\\?\" the platform puts before a path and the "\*" of a listing pattern after it.
const size_t PATH_UNITS_RESERVED = 6;

}  // namespace

// Grows a heap array to hold at least count items; false when memory runs out (the array is kept as it was).
static bool Reserve(void** items, size_t* capacity, size_t count, size_t itemSize) {
  if (count <= *capacity) return true;
  size_t grown = *capacity < 16 ? 16 : *capacity;
  while (grown < count) grown *= 2;
  void* moved = std::realloc(*items, grown * itemSize);
  if (moved == nullptr) return false;
  *items = moved;
  *capacity = grown;
  return true;
}

static bool ReservePath(WalkState* walk, size_t bytes) {
  void* path = walk->path;
  bool ok = Reserve(&path, &walk->pathCapacity, bytes, 1);
  walk->path = static_cast<char*>(path);
  return ok;
}

static bool SameDirectory(const PlatformDirectoryId& a, const PlatformDirectoryId& b) {
  return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

// A skip the walk itself finds, in its place among the files' events.
static void ReportSkip(WalkState* walk, ScanEvent event, const char* text) {
  if (walk->pool != nullptr) {
    ReadPool_AddSkip(walk->pool, event, text);
  } else {
    ScanControl_ReportSkip(walk->request->reporter, event, text);
  }
}

// The path now in the buffer (a directory's) is listed and becomes the deepest level; its first entry is in
// walk->entry. False when it cannot be listed or held: the walk goes on without it.
static bool EnterDirectory(WalkState* walk, size_t units) {
  size_t length = std::strlen(walk->path);
  bool needsSeparator = length == 0 || walk->path[length - 1] != '\\';
  void* levels = walk->levels;
  bool room = Reserve(&levels, &walk->levelCapacity, walk->depth + 1, sizeof(WalkLevel));
  walk->levels = static_cast<WalkLevel*>(levels);
  if (!room || !ReservePath(walk, length + 3)) return false;
  if (needsSeparator) walk->path[length++] = '\\';
  std::memcpy(walk->path + length, "*", 2);
  PlatformHandle find;
  bool listed = Platform_FindFirst(walk->path, &find, &walk->entry);
  walk->path[length] = '\0';
  if (!listed) {
    // Named as it was given, without the separator added here.
    if (needsSeparator) walk->path[length - 1] = '\0';
    ReportSkip(walk, SCAN_EV_SKIPPED_UNLISTABLE, walk->path);
    return false;
  }
  WalkLevel level = {find, length, units + (needsSeparator ? 1 : 0), false, false, {0, 0, 0}};
  walk->levels[walk->depth++] = level;
  return true;
}

// Puts the entry's name after its directory's path; false when the result would pass the platform's limit.
static bool SetEntryPath(WalkState* walk, size_t* units) {
  const WalkLevel& level = walk->levels[walk->depth - 1];
  size_t nameLength = std::strlen(walk->entry.name);
  *units = level.pathUnits + Text_Utf16LengthOf(walk->entry.name);
  if (*units + PATH_UNITS_RESERVED > PLATFORM_MAX_WIDE_PATH) return false;
  if (!ReservePath(walk, level.pathLength + nameLength + 3)) return false;
  std::memcpy(walk->path + level.pathLength, walk->entry.name, nameLength + 1);
  return true;
}

// The identity of the directory of level index, asked for once and only when a link needs it.
static bool LevelId(WalkState* walk, size_t index, PlatformDirectoryId* id) {
  WalkLevel& level = walk->levels[index];
  if (!level.idTried) {
    level.idTried = true;
    // The level's path is a prefix of the buffer: end it there for the call, then restore the entry path.
    char saved = walk->path[level.pathLength];
    walk->path[level.pathLength] = '\0';
    level.idKnown = Platform_GetDirectoryId(walk->path, &level.id);
    walk->path[level.pathLength] = saved;
  }
  if (level.idKnown) *id = level.id;
  return level.idKnown;
}

static bool OnWalkedVolume(const WalkVolumes* volumes, const PlatformDirectoryId& target) {
  if (volumes == nullptr) return false;
  for (int i = 0; i < volumes->count; ++i) {
    if (volumes->roots[i].volume == target.volume) return true;
  }
  return false;
}

// A directory link (reparse point) is followed only into a place the walk reaches no other way: not back into a
// directory the walk is inside, not into a walked drive's volume, not twice into the same directory.
static bool FollowLink(WalkState* walk) {
  PlatformDirectoryId target;
  if (!Platform_GetDirectoryId(walk->path, &target)) return true;
  for (size_t i = walk->depth; i > 0; --i) {
    PlatformDirectoryId ancestor;
    if (LevelId(walk, i - 1, &ancestor) && SameDirectory(ancestor, target)) {
      ReportSkip(walk, SCAN_EV_SKIPPED_LINK_LOOP, walk->path);
      return false;
    }
  }
  if (OnWalkedVolume(walk->request->walkedVolumes, target)) return false;
  for (size_t i = 0; i < walk->linkCount; ++i) {
    if (SameDirectory(walk->linkTargets[i], target)) return false;
  }
  void* targets = walk->linkTargets;
  bool room = Reserve(&targets, &walk->linkCapacity, walk->linkCount + 1, sizeof(PlatformDirectoryId));
  walk->linkTargets = static_cast<PlatformDirectoryId*>(targets);
  if (room) walk->linkTargets[walk->linkCount++] = target;
  return room;
}

static void ReportFile(WalkState* walk) {
  if (walk->pool != nullptr) {
    ReadPool_AddFile(walk->pool, walk->path, walk->entry);
    return;
  }
  WalkFileVerdict verdict = WalkFile_Listed(walk->entry);
  if (verdict.outcome == WALK_FILE_NEEDS_READ) verdict = WalkFile_Read(walk->path);
  WalkFile_Report(walk->request->reporter, walk->path, verdict);
}

static void CloseListings(WalkState* walk) {
  while (walk->depth > 0) Platform_FindClose(walk->levels[--walk->depth].find);
}

// A listed name that holds a path separator: joined to its directory's path it would lead to another entry (a
// name "bs\x.exe" beside a folder "bs" to that folder's x.exe), so it is never joined, read or deleted.
static bool UnjoinableName(const char* name) { return std::strpbrk(name, "\\/") != nullptr; }

// Whether the directory whose path is in the buffer is the scan's excluded folder (names compared as Windows
// compares them; a path of another length is never it, which keeps the check off every other directory).
static bool IsExcludedFolder(const WalkState* walk) {
  const char* excluded = walk->request->reporter.excludedFolder;
  if (excluded == nullptr || std::strlen(excluded) != std::strlen(walk->path)) return false;
  char a[PLATFORM_NAME_SIZE * 4], b[PLATFORM_NAME_SIZE * 4];
  if (!Platform_FoldCase(walk->path, a, sizeof a) || !Platform_FoldCase(excluded, b, sizeof b)) return false;
  return std::strcmp(a, b) == 0;
}

// One listing entry; true when it was a directory now entered (its first entry is then in walk->entry).
static bool HandleEntry(WalkState* walk) {
  size_t units = 0;
  if (walk->entry.name[0] == '.' || walk->entry.name[0] == '\0') return false;
  // A path past the platform's limit is skipped whole, never cut into another file's path.
  if (!SetEntryPath(walk, &units)) {
    ReportSkip(walk, SCAN_EV_SKIPPED_PATH_TOO_LONG, walk->entry.name);
    return false;
  }
  // Named in the skip by the directory's path and the name as listed, the only way to name the entry.
  if (UnjoinableName(walk->entry.name)) {
    ReportSkip(walk, SCAN_EV_SKIPPED_UNJOINABLE_NAME, walk->path);
    return false;
  }
  if (!(walk->entry.attributes & PLATFORM_ATTR_DIRECTORY)) {
    ReportFile(walk);
    return false;
  }
  if (IsExcludedFolder(walk)) {
    ReportSkip(walk, SCAN_EV_SKIPPED_EXCLUDED, walk->path);
    return false;
  }
  if ((walk->entry.attributes & PLATFORM_ATTR_REPARSE_POINT) && !FollowLink(walk)) return false;
  return EnterDirectory(walk, units);
}

// Walks until every listing is done (true) or a stop request is seen (false, listings closed).
static bool WalkLevels(WalkState* walk) {
  bool haveEntry = true;
  while (walk->depth > 0) {
    if (!haveEntry) {
      Platform_FindClose(walk->levels[--walk->depth].find);
      if (walk->depth > 0) haveEntry = Platform_FindNext(walk->levels[walk->depth - 1].find, &walk->entry);
      continue;
    }
    if (ScanControl_StopRequested()) {
      CloseListings(walk);
      return false;
    }
    if (HandleEntry(walk)) continue;
    haveEntry = Platform_FindNext(walk->levels[walk->depth - 1].find, &walk->entry);
  }
  return true;
}

void WalkDirectory(const WalkRequest* request) {
  if (ScanControl_StopRequested()) {
    ScanControl_ReportStop(request->reporter);
    return;
  }
  WalkState walk;
  std::memset(&walk, 0, sizeof walk);
  walk.request = request;
  size_t length = std::strlen(request->directory);
  bool walked = true;
  if (ReservePath(&walk, length + 3)) {
    walk.pool = ReadPool_Start(request->reporter);
    std::memcpy(walk.path, request->directory, length + 1);
    if (EnterDirectory(&walk, Text_Utf16LengthOf(request->directory))) walked = WalkLevels(&walk);
    // The files handed over before a stop still go out, so the events are those of a serial walk up to a point.
    if (walk.pool != nullptr && !ReadPool_Finish(walk.pool)) walked = false;
  }
  std::free(walk.levels);
  std::free(walk.path);
  std::free(walk.linkTargets);
  if (!walked) ScanControl_ReportStop(request->reporter);
}

bool WalkVolumes_AddRoot(WalkVolumes* volumes, const char* root) {
  PlatformDirectoryId id;
  // A root that cannot be identified is walked; links into its volume are then followed.
  if (!Platform_GetDirectoryId(root, &id)) return true;
  for (int i = 0; i < volumes->count; ++i) {
    if (SameDirectory(volumes->roots[i], id)) return false;
  }
  if (volumes->count < WALK_MAX_VOLUMES) volumes->roots[volumes->count++] = id;
  return true;
}
