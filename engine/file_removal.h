// Deleting or moving exactly the examined file: its identity when found, every check and the act on one handle.
#pragma once

#include <cstdint>

#include "platform.h"

// What was seen of a found file: the file itself, and which folders on its path were links (reparse points)
// then, so a link put on the path later, or a different file put under the name, is never deleted.
struct ExaminedFile {
  bool known;  // false: the file could not be examined, and it is never deleted
  PlatformFileIdentity identity;
  char* folderLinks;  // heap: one mark a folder below the root, 'L' for a link, '-' for a plain folder
};

enum : uint32_t {
  REMOVAL_NEEDS_VEXLOR_CHECKSUM = 0x1,  // a file found by its checksum must still have one
  REMOVAL_CLEARS_READ_ONLY = 0x2,       // read-only, hidden and system are cleared through the handle first
};

// Fills examined (release it afterwards); false when the path names no plain disk file or memory runs out.
bool FileRemoval_Examine(const char* path, ExaminedFile* examined);
void FileRemoval_Release(ExaminedFile* examined);

// Deletes the file at path only when it is still the examined one: the same file (volume and index), size and
// last write, no reparse point itself, no folder link on its path that was not there, and with the options'
// checksum. True only when the name no longer leads to the examined file afterwards (to nothing, or to another
// file that answers to it); on any refusal nothing is deleted or changed.
// A hard-linked file loses this name only; its other names keep the data.
bool FileRemoval_Delete(const char* path, const ExaminedFile* examined, uint32_t options);
// The same checks without deleting: true when the path still leads to the examined file.
bool FileRemoval_StillExamined(const char* path, const ExaminedFile* examined, uint32_t options);

// What a report says of the examined file, each taken through a handle checked to be that file (identity and
// folder links): its size, CRC-32 and SHA-256. False for each that cannot be taken so; the file is not changed.
struct ExaminedFacts {
  bool haveSize, haveCrc, haveSha256;
  uint64_t size;
  uint32_t crc;
  uint8_t sha256[PLATFORM_SHA256_SIZE];
};
void FileRemoval_Describe(const char* path, const ExaminedFile* examined, ExaminedFacts* facts);

// Moving an examined file to a new name (the quarantine), through the handle that was checked.
enum : uint32_t {
  MOVE_DONE = 0,          // the original name is gone and destination holds the examined file
  MOVE_REFUSED = 1,       // not the examined file any more: nothing was changed
  MOVE_OTHER_VOLUME = 2,  // destination is on another volume: nothing was changed (copy, then delete)
  MOVE_FAILED = 3,        // the file could not be opened or renamed: nothing was changed
  MOVE_UNVERIFIED = 4,    // renamed, but the result is not the examined file at destination (see below)
};
// The same checks as FileRemoval_Delete, then a rename of the checked handle to destination, never over an
// existing file. Afterwards the original name must be gone and destination must be the examined file. Where it
// is another file (Wine renames by the path it resolved at open, so a folder swapped meanwhile moves the file the
// link leads to), that file is renamed back first, and the result is MOVE_UNVERIFIED. A hard-linked file is moved
// by this name only; its other names keep the data where it was.
uint32_t FileRemoval_MoveTo(const char* path, const ExaminedFile* examined, uint32_t options, const char* destination);
// Copies the examined file to a new file at copy, after the same checks, reading through the handle that was
// checked; with REMOVAL_NEEDS_VEXLOR_CHECKSUM the bytes copied must still have a Vexlor checksum. The copy is
// flushed to disk. False, with no copy left, on any refusal or failure.
bool FileRemoval_CopyTo(const char* path, const ExaminedFile* examined, uint32_t options, const char* copy);
