// The operating-system operations the engine uses; engine/platform_win32.cpp or a test stand-in is linked in.
#pragma once

#include <cstdint>

typedef void* PlatformHandle;

enum : uint32_t {
  PLATFORM_ATTR_READONLY = 0x1,
  PLATFORM_ATTR_HIDDEN = 0x2,
  PLATFORM_ATTR_SYSTEM = 0x4,
  PLATFORM_ATTR_DIRECTORY = 0x10,
  PLATFORM_ATTR_ARCHIVE = 0x20,
  PLATFORM_ATTR_NORMAL = 0x80,
  PLATFORM_ATTR_REPARSE_POINT = 0x400,
};

enum : uint32_t {
  PLATFORM_DRIVE_UNKNOWN = 0,
  PLATFORM_DRIVE_NO_ROOT = 1,
  PLATFORM_DRIVE_REMOVABLE = 2,
  PLATFORM_DRIVE_FIXED = 3,
  PLATFORM_DRIVE_REMOTE = 4,
  PLATFORM_DRIVE_CDROM = 5,
  PLATFORM_DRIVE_RAMDISK = 6,
};

enum : int32_t {
  PLATFORM_ERROR_SUCCESS = 0,
  PLATFORM_ERROR_FILE_NOT_FOUND = 2,
  PLATFORM_ERROR_MORE_DATA = 234,
  PLATFORM_ERROR_NO_MORE_ITEMS = 259,
};

enum : uint32_t { PLATFORM_REG_SZ = 1 };

enum { PLATFORM_MAX_PATH = 260 };
// Paths are UTF-8. The platform reaches them through the wide calls in their \\?\ form, whose limit is this
// many UTF-16 units; a listed name has at most 259 units, so it fits PLATFORM_NAME_SIZE bytes as UTF-8.
enum { PLATFORM_MAX_WIDE_PATH = 32767, PLATFORM_NAME_SIZE = 3 * (PLATFORM_MAX_PATH - 1) + 1 };

// Directory listing (FindFirstFileW family): every entry, hidden and system ones included.
struct PlatformFindData {
  uint32_t attributes;
  uint32_t sizeLow;
  uint32_t sizeHigh;
  char name[PLATFORM_NAME_SIZE];
};
bool Platform_FindFirst(const char* pattern, PlatformHandle* find, PlatformFindData* entry);
bool Platform_FindNext(PlatformHandle find, PlatformFindData* entry);
void Platform_FindClose(PlatformHandle find);

// Which directory a path names, seen through any links; equal ids mean the same directory, equal volumes the
// same volume.
struct PlatformDirectoryId {
  uint32_t volume;
  uint32_t indexHigh;
  uint32_t indexLow;
};
bool Platform_GetDirectoryId(const char* path, PlatformDirectoryId* id);

// Files for checksumming: read access, read sharing only, sequential; a name that Windows maps to a device
// (aux, con, nul, com1...) opens the file of that name, never the device.
bool Platform_OpenForChecksum(const char* path, PlatformHandle* file);
// What an open file is: diskFile is false for anything but a plain file on a disk (a device, a pipe, a
// console), whose reads may wait without end. (A directory is never opened for a checksum.)
struct PlatformFileInfo {
  bool diskFile;
  uint32_t sizeLow;
  uint32_t sizeHigh;
};
bool Platform_GetOpenFileInfo(PlatformHandle file, PlatformFileInfo* info);
bool Platform_ReadFile(PlatformHandle file, void* buffer, uint32_t size, uint32_t* bytesRead);
void Platform_CloseFile(PlatformHandle file);

// Return the length written, 0 on failure, or the size needed (GetWindowsDirectoryW as UTF-8, GetLogicalDriveStringsA).
uint32_t Platform_GetWindowsDirectory(char* buffer, uint32_t size);
uint32_t Platform_GetLogicalDriveStrings(uint32_t size, char* buffer);
uint32_t Platform_GetDriveType(const char* root);

// Running processes.
struct PlatformProcessEntry {
  uint32_t processId;
  char exeFile[PLATFORM_NAME_SIZE];  // UTF-8
};
bool Platform_SnapshotProcesses(PlatformHandle* snapshot);
bool Platform_FirstProcess(PlatformHandle snapshot, PlatformProcessEntry* entry);
bool Platform_NextProcess(PlatformHandle snapshot, PlatformProcessEntry* entry);
void Platform_CloseSnapshot(PlatformHandle snapshot);
bool Platform_OpenProcess(uint32_t processId, PlatformHandle* process);  // rights 0x411, not inherited
// The path of the file the process runs from, as the disk names it (never a 32-bit view of it), in UTF-8;
// false when it does not fit size bytes.
bool Platform_GetProcessImagePath(PlatformHandle process, char* path, uint32_t size);
bool Platform_TerminateProcess(PlatformHandle process);  // exit code 0
void Platform_CloseProcess(PlatformHandle process);

// The machine-wide Run key, opened to query and set values, in one registry view: the machine's own
// (the 64-bit one on 64-bit Windows), or the view of 32-bit programs, which only 64-bit Windows has.
enum : uint32_t { PLATFORM_RUN_KEY_NATIVE = 0, PLATFORM_RUN_KEY_32BIT = 1 };
bool Platform_OpenRunKey(uint32_t view, PlatformHandle* key);
// RegEnumValueW with name and data as UTF-8: lengths in and out in bytes; returns the platform's error code.
int32_t Platform_EnumValue(PlatformHandle key, uint32_t index, char* name, uint32_t* nameLength, uint32_t* type,
                           uint8_t* data, uint32_t* dataSize);
bool Platform_DeleteValue(PlatformHandle key, const char* name);
void Platform_CloseKey(PlatformHandle key);
// PathRemoveArgsA: cuts a command line after its program path, in place.
void Platform_RemoveArgs(char* path);

// The WOW64 file-system redirector of the calling thread (64-bit Windows shows a 32-bit program its
// SysWOW64 folder under the name System32). Off returns false when the machine has no redirector
// (32-bit Windows); otherwise the thread sees the disk as it is until Restore is given *previous.
bool Platform_RedirectionOff(PlatformHandle* previous);
void Platform_RedirectionRestore(PlatformHandle previous);

// Files by path (UTF-8; device names name files here too).
bool Platform_FileExists(const char* path);
// GetFileAttributesW; PLATFORM_ATTR_INVALID when the path names nothing that can be asked.
enum : uint32_t { PLATFORM_ATTR_INVALID = 0xFFFFFFFFu };
uint32_t Platform_GetAttributes(const char* path);

// What identifies an open file: the same volume and index mean the same file, whatever name led to it.
struct PlatformFileIdentity {
  uint32_t volume;
  uint32_t indexHigh;
  uint32_t indexLow;
  uint32_t sizeLow;
  uint32_t sizeHigh;
  uint32_t writeTimeLow;
  uint32_t writeTimeHigh;
  // Last change of data or metadata (0 when unknown): a file made again under a freed index, as Linux reuses
  // inode numbers at once, has a new one even when its last-write time was set back.
  uint32_t changeTimeLow;
  uint32_t changeTimeHigh;
  uint32_t attributes;  // a final reparse point has PLATFORM_ATTR_REPARSE_POINT: it was opened itself
  uint32_t links;       // names of the file (hard links)
  bool diskFile;
};
// Both opens take a final reparse point itself, never its target, and never open a device for a device name.
// For examining only: attribute access, every sharing, so a file in use can still be identified.
bool Platform_OpenForIdentity(const char* path, PlatformHandle* file);
// For deleting: delete, read and attribute access, read sharing only, so no one writes to the file while
// it is checked and deleted. Read with Platform_ReadFile, close with Platform_CloseFile.
bool Platform_OpenForDelete(const char* path, PlatformHandle* file);
bool Platform_GetFileIdentity(PlatformHandle file, PlatformFileIdentity* identity);
// Sets the attributes of the open file (PLATFORM_ATTR_NORMAL clears read-only, hidden and system).
bool Platform_SetOpenFileAttributes(PlatformHandle file, uint32_t attributes);
// Marks the open file for deletion: its name goes when the handle is closed.
bool Platform_DeleteOpenFile(PlatformHandle file);
// Gives the open file (opened for deleting) the name newPath, never over an existing file. OTHER_VOLUME: newPath
// is on another volume, and nothing changed.
enum : uint32_t { PLATFORM_RENAME_DONE = 0, PLATFORM_RENAME_OTHER_VOLUME = 1, PLATFORM_RENAME_FAILED = 2 };
uint32_t Platform_RenameOpenFile(PlatformHandle file, const char* newPath);
// Makes a new file to write (never an existing one), with delete access and no sharing, so a copy that fails
// can be marked for deletion through it. Close with Platform_CloseFile.
bool Platform_CreateNewFile(const char* path, PlatformHandle* file);
// Writes all of size bytes; false when fewer were written.
bool Platform_WriteFile(PlatformHandle file, const void* buffer, uint32_t size);
// Flushes the file's data to the disk.
bool Platform_FlushFile(PlatformHandle file);

// Files by path for the quarantine, the report and the roll-up (each path in the long form, as above).
// Deletes the file at path (never a folder).
bool Platform_DeleteFile(const char* path);
// Renames from to to, flushed to the disk before it returns (MoveFileExW, write-through), never over an
// existing file unless replace: PLATFORM_RENAME_DONE, OTHER_VOLUME (nothing changed) or FAILED.
uint32_t Platform_MoveFile(const char* from, const char* to, bool replace);
// Makes the folder; true when it is made or is already a folder. Its parent must exist.
bool Platform_CreateFolder(const char* path);
// The full path of a relative path, or of one with "." and ".." steps or forward slashes (GetFullPathNameW),
// in UTF-8; false when it does not fit size bytes.
bool Platform_FullPath(const char* path, char* full, uint32_t size);
// The calling thread's last error code (GetLastError), for messages.
uint32_t Platform_LastError();
// The owner of an open file (opened with read access) as DOMAIN\NAME in UTF-8, or as the SID's text when no
// account answers to it; false when the file has no owner or it cannot be read, or it does not fit size bytes.
enum { PLATFORM_ACCOUNT_SIZE = 1024 };
bool Platform_GetOpenFileOwner(PlatformHandle file, char* account, uint32_t size);
// Milliseconds since the system started (GetTickCount): it wraps after 49.7 days, so take differences only.
uint32_t Platform_TickCount();
// text (UTF-8) in upper case as Windows compares names without regard to case (the invariant locale's mapping),
// so two names are the same name when their folded forms are equal; false when it does not fit size bytes.
bool Platform_FoldCase(const char* text, char* folded, uint32_t size);
// The time now, in UTC.
struct PlatformTime {
  uint16_t year, month, day, hour, minute, second;
};
void Platform_UtcNow(PlatformTime* now);

// Whether the user is an administrator whose rights UAC has filtered (Vista and later, not started elevated);
// always false on XP, which has no such tokens.
bool Platform_IsFilteredAdministrator();

// Locks for data that more than one thread uses (critical sections on Windows). A lock is made once, when the
// process starts, and lives as long as the process; the thread that holds it never takes it again. Creation
// fails (null) only when memory runs out, and locking null does nothing.
PlatformHandle Platform_CreateLock();
void Platform_Lock(PlatformHandle lock);
void Platform_Unlock(PlatformHandle lock);

// SHA-256 of what is left to read of an open file (read through it to its end), from the system's cryptographic
// provider (CryptoAPI, PROV_RSA_AES, XP SP3 and later); false when the file cannot be read or the provider has
// no SHA-256. The caller keeps the handle it checked: the hash is of that file, whatever its name leads to now.
enum { PLATFORM_SHA256_SIZE = 32 };
bool Platform_Sha256OpenFile(PlatformHandle file, uint8_t digest[PLATFORM_SHA256_SIZE]);
// Loads the provider for the rest of the process; called before any span with the WOW64 redirector off, where
// no DLL can be loaded. Platform_Sha256OpenFile calls it too. Main thread only.
bool Platform_Sha256Prepare();

// Threads: started with the runtime's thread call running body(argument); the thread ends, with the body's
// return value as its exit code, when the body returns. Null when the thread cannot be created.
typedef unsigned (*PlatformThreadBody)(void* argument);
PlatformHandle Platform_StartThread(PlatformThreadBody body, void* argument);
void Platform_WaitThread(PlatformHandle thread);
void Platform_CloseThread(PlatformHandle thread);

// How many CPUs this process may run on (its affinity mask); 1 when that cannot be learnt.
uint32_t Platform_UsableCpuCount();

// Counting semaphores (kernel semaphores on Windows) for the scan's reader threads. Null when one cannot be made.
PlatformHandle Platform_CreateSemaphore(int32_t initialCount, int32_t maximumCount);
// Adds count to the semaphore, waking as many waiters.
void Platform_ReleaseSemaphore(PlatformHandle semaphore, int32_t count);
// Waits without end until the count is above 0, then takes one.
void Platform_WaitSemaphore(PlatformHandle semaphore);
void Platform_CloseSemaphore(PlatformHandle semaphore);
