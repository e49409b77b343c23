// Removal of examined files through one handle: identity, folder links, checksum, attributes, disposition or rename.
#include "file_removal.h"

#include <cstdlib>
#include <cstring>

#include "signatures.h"

static const char FOLDER_LINK = 'L';
static const char PLAIN_FOLDER = '-';
static const char UNREADABLE_FOLDER = '?';

// Where the folders below the root start: after "X:\" or after "\\server\share\".
static size_t RootLength(const char* path) {
  if (path[0] != '\0' && path[1] == ':' && path[2] == '\\') return 3;
  if (path[0] != '\\' || path[1] != '\\') return 0;
  int separators = 0;
  for (size_t i = 2; path[i] != '\0'; ++i) {
    if (path[i] == '\\' && ++separators == 2) return i + 1;
  }
  return 0;
}

// One mark for each folder between the root and the file's name; null when memory runs out.
static char* FolderLinks(const char* path) {
  size_t length = std::strlen(path);
  char* folder = static_cast<char*>(std::malloc(length + 1));
  char* marks = static_cast<char*>(std::malloc(length + 1));
  if (folder == nullptr || marks == nullptr) {
    std::free(folder);
    std::free(marks);
    return nullptr;
  }
  std::memcpy(folder, path, length + 1);
  size_t count = 0;
  for (size_t i = RootLength(path); i < length; ++i) {
    if (path[i] != '\\') continue;
    folder[i] = '\0';
    uint32_t attributes = Platform_GetAttributes(folder);
    folder[i] = '\\';
    if (attributes == PLATFORM_ATTR_INVALID) {
      marks[count++] = UNREADABLE_FOLDER;
    } else {
      marks[count++] = (attributes & PLATFORM_ATTR_REPARSE_POINT) ? FOLDER_LINK : PLAIN_FOLDER;
    }
  }
  marks[count] = '\0';
  std::free(folder);
  return marks;
}

static bool SameFolderLinks(const char* path, const char* recorded) {
  char* marks = FolderLinks(path);
  bool same = marks != nullptr && std::strcmp(marks, recorded) == 0;
  std::free(marks);
  return same;
}

bool FileRemoval_Examine(const char* path, ExaminedFile* examined) {
  std::memset(examined, 0, sizeof *examined);
  PlatformHandle file;
  if (!Platform_OpenForIdentity(path, &file)) return false;
  bool identified = Platform_GetFileIdentity(file, &examined->identity);
  Platform_CloseFile(file);
  if (!identified || !examined->identity.diskFile || (examined->identity.attributes & PLATFORM_ATTR_DIRECTORY)) {
    return false;
  }
  examined->folderLinks = FolderLinks(path);
  examined->known = examined->folderLinks != nullptr;
  return examined->known;
}

void FileRemoval_Release(ExaminedFile* examined) {
  std::free(examined->folderLinks);
  examined->folderLinks = nullptr;
  examined->known = false;
}

static bool SameFile(const PlatformFileIdentity& now, const PlatformFileIdentity& examined) {
  bool same = now.volume == examined.volume && now.indexHigh == examined.indexHigh &&
              now.indexLow == examined.indexLow && now.sizeLow == examined.sizeLow &&
              now.sizeHigh == examined.sizeHigh && now.writeTimeLow == examined.writeTimeLow &&
              now.writeTimeHigh == examined.writeTimeHigh;
  // Removing one name of a hard-linked file changes its change time, so a file that had other names is known
  // without it: its second name, found too, must still be removed after the first.
  if (examined.links > 1) return same;
  return same && now.changeTimeLow == examined.changeTimeLow && now.changeTimeHigh == examined.changeTimeHigh;
}

// The identity checks on the handle that will act; now receives what the handle shows.
static bool SameIdentity(PlatformHandle file, const ExaminedFile* examined, PlatformFileIdentity* now) {
  if (!Platform_GetFileIdentity(file, now)) return false;
  // A link put in the file's place is opened itself: it is not the file that was examined.
  if (!now->diskFile || (now->attributes & (PLATFORM_ATTR_DIRECTORY | PLATFORM_ATTR_REPARSE_POINT))) return false;
  return SameFile(*now, examined->identity);
}

// Every check on the handle that will act: identity, then the checksum when the options ask for it.
static bool StillTheExaminedFile(PlatformHandle file, const ExaminedFile* examined, uint32_t options,
                                 PlatformFileIdentity* now) {
  if (!SameIdentity(file, examined, now)) return false;
  if (!(options & REMOVAL_NEEDS_VEXLOR_CHECKSUM)) return true;
  uint32_t crc;
  return now->sizeHigh == 0 && FileCrc32_OfOpenFile(file, now->sizeLow, &crc) && SignatureTable_Match(crc) != nullptr;
}

// Clears what keeps the file from being deleted, marks it, and puts the attributes back when the mark fails.
static bool MarkForDeletion(PlatformHandle file, uint32_t attributes, uint32_t options) {
  const uint32_t blocking = PLATFORM_ATTR_READONLY | PLATFORM_ATTR_HIDDEN | PLATFORM_ATTR_SYSTEM;
  bool cleared = (options & REMOVAL_CLEARS_READ_ONLY) && (attributes & blocking) &&
                 Platform_SetOpenFileAttributes(file, PLATFORM_ATTR_NORMAL);
  if (Platform_DeleteOpenFile(file)) return true;
  if (cleared) Platform_SetOpenFileAttributes(file, attributes);
  return false;
}

bool FileRemoval_StillExamined(const char* path, const ExaminedFile* examined, uint32_t options) {
  if (!examined->known || !SameFolderLinks(path, examined->folderLinks)) return false;
  // Read access is enough to check: whether the file can be moved or deleted is for the caller's call to find.
  // A final link is followed here, so it shows its target's identity, never the examined file's.
  PlatformHandle file;
  if (!Platform_OpenForChecksum(path, &file)) return false;
  PlatformFileIdentity now;
  bool same = StillTheExaminedFile(file, examined, options, &now);
  Platform_CloseFile(file);
  return same;
}

// Opens path for reading when it still leads to the examined file; now receives what the handle shows.
static bool OpenExamined(const char* path, const ExaminedFile* examined, PlatformHandle* file,
                         PlatformFileIdentity* now) {
  if (!examined->known || !SameFolderLinks(path, examined->folderLinks)) return false;
  if (!Platform_OpenForChecksum(path, file)) return false;
  if (SameIdentity(*file, examined, now)) return true;
  Platform_CloseFile(*file);
  return false;
}

void FileRemoval_Describe(const char* path, const ExaminedFile* examined, ExaminedFacts* facts) {
  facts->haveSize = facts->haveCrc = facts->haveSha256 = false;
  PlatformHandle file;
  PlatformFileIdentity now;
  // The CRC and the hash each read the file whole, each through a handle of its own that was checked.
  if (OpenExamined(path, examined, &file, &now)) {
    facts->haveSize = true;
    facts->size = (static_cast<uint64_t>(now.sizeHigh) << 32) | now.sizeLow;
    facts->haveCrc = now.sizeHigh == 0 && FileCrc32_OfOpenFile(file, now.sizeLow, &facts->crc);
    Platform_CloseFile(file);
  }
  if (OpenExamined(path, examined, &file, &now)) {
    facts->haveSha256 = Platform_Sha256OpenFile(file, facts->sha256);
    Platform_CloseFile(file);
  }
}

// Whether the file at path is the examined one: its index, size and last write, which a rename keeps. Not its
// volume serial: Wine's drive letters may share one file system, where a rename between them works and the
// file takes the serial of its new drive.
static bool IsExaminedFileAt(const char* path, const ExaminedFile* examined) {
  PlatformHandle file;
  if (!Platform_OpenForIdentity(path, &file)) return false;
  PlatformFileIdentity now;
  const PlatformFileIdentity& then = examined->identity;
  bool same = Platform_GetFileIdentity(file, &now) && !(now.attributes & PLATFORM_ATTR_REPARSE_POINT) &&
              now.indexHigh == then.indexHigh && now.indexLow == then.indexLow && now.sizeLow == then.sizeLow &&
              now.sizeHigh == then.sizeHigh && now.writeTimeLow == then.writeTimeLow &&
              now.writeTimeHigh == then.writeTimeHigh;
  Platform_CloseFile(file);
  return same;
}

// Whether the examined file has lost this name: the name leads to nothing, or to another file. Not whether the name
// leads to any file: in a case-sensitive folder (Wine's, or one WSL marks so) a lookup that falls back to a
// case-insensitive match finds a neighbour that differs only in case, and that neighbour was never removed.
static bool NameGone(const char* path, const ExaminedFile* examined) {
  return SameFolderLinks(path, examined->folderLinks) && !IsExaminedFileAt(path, examined);
}

bool FileRemoval_Delete(const char* path, const ExaminedFile* examined, uint32_t options) {
  if (!examined->known) return false;
  // A folder that has become a link leads somewhere else: the path is not even opened.
  if (!SameFolderLinks(path, examined->folderLinks)) return false;
  PlatformHandle file;
  if (!Platform_OpenForDelete(path, &file)) return false;
  PlatformFileIdentity now;
  bool marked = StillTheExaminedFile(file, examined, options, &now) && MarkForDeletion(file, now.attributes, options);
  Platform_CloseFile(file);
  // Wine reports the mark as done but deletes nothing when a folder of the path was swapped while the handle
  // was open: only a name that no longer leads to the examined file, on the same path, counts.
  return marked && NameGone(path, examined);
}

// Gives back the name that a rename took from another file: destination goes back to path.
static void RenameBack(const char* destination, const char* path) {
  PlatformHandle file;
  if (!Platform_OpenForDelete(destination, &file)) return;
  Platform_RenameOpenFile(file, path);
  Platform_CloseFile(file);
}

uint32_t FileRemoval_MoveTo(const char* path, const ExaminedFile* examined, uint32_t options, const char* destination) {
  if (!examined->known || !SameFolderLinks(path, examined->folderLinks)) return MOVE_REFUSED;
  PlatformHandle file;
  if (!Platform_OpenForDelete(path, &file)) return MOVE_FAILED;
  PlatformFileIdentity now;
  if (!StillTheExaminedFile(file, examined, options, &now)) {
    Platform_CloseFile(file);
    return MOVE_REFUSED;
  }
  uint32_t renamed = Platform_RenameOpenFile(file, destination);
  Platform_CloseFile(file);
  if (renamed == PLATFORM_RENAME_OTHER_VOLUME) return MOVE_OTHER_VOLUME;
  if (renamed != PLATFORM_RENAME_DONE) return MOVE_FAILED;
  bool atDestination = IsExaminedFileAt(destination, examined);
  if (!atDestination && Platform_FileExists(destination) && !Platform_FileExists(path)) {
    RenameBack(destination, path);
  }
  return atDestination && NameGone(path, examined) ? MOVE_DONE : MOVE_UNVERIFIED;
}


// Copies the open file's bytes, exactly size of them, into the open copy; crc receives their checksum.
static bool CopyBytes(PlatformHandle from, PlatformHandle to, uint64_t size, uint32_t* crc) {
  return FileCrc32_ReadExactly(from, size, crc, to) && Platform_FlushFile(to);
}

bool FileRemoval_CopyTo(const char* path, const ExaminedFile* examined, uint32_t options, const char* copy) {
  if (!examined->known || !SameFolderLinks(path, examined->folderLinks)) return false;
  PlatformHandle file;
  if (!Platform_OpenForDelete(path, &file)) return false;
  PlatformFileIdentity now;
  bool copied = false;
  PlatformHandle target;
  // The checksum is taken of the very bytes copied: the file is read once.
  if (SameIdentity(file, examined, &now) && Platform_CreateNewFile(copy, &target)) {
    uint64_t size = (static_cast<uint64_t>(now.sizeHigh) << 32) | now.sizeLow;
    uint32_t crc = 0;
    copied = CopyBytes(file, target, size, &crc) &&
             (!(options & REMOVAL_NEEDS_VEXLOR_CHECKSUM) || SignatureTable_Match(crc) != nullptr);
    if (!copied) Platform_DeleteOpenFile(target);
    Platform_CloseFile(target);
  }
  Platform_CloseFile(file);
  return copied;
}
