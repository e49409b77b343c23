// The engine's platform operations on Win32: thin forwarding with the flags the engine relies on.
#include <windows.h>
#include <process.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <new>

#include "platform.h"
#include "platform_win32_wow64.h"
#include "system_library.h"
#include "text.h"

// A UTF-8 path as a wide path on the heap (free it), in its long form (engine/text.h): a name that Windows would
// map to a device (aux.log, com1, con, nul.txt) names the file, a name ending in a dot or a space is kept, and
// the path may be longer than MAX_PATH. Null when the path does not fit the wide calls' limit or memory runs out.
static wchar_t* WidePath(const char* path) {
  size_t units = Text_LongPathLengthOf(path);
  if (units > PLATFORM_MAX_WIDE_PATH) return nullptr;
  wchar_t* wide = static_cast<wchar_t*>(std::malloc((units + 1) * sizeof(wchar_t)));
  if (wide == nullptr) return nullptr;
  Text_ToLongPath(reinterpret_cast<uint16_t*>(wide), units + 1, path);
  return wide;
}

static bool Utf8FromWide(char* text, size_t size, const wchar_t* wide) {
  return Text_FromUtf16(text, size, reinterpret_cast<const uint16_t*>(wide));
}

// A name that does not fit (it cannot: names have at most 259 units) comes back empty and is skipped as "".
static void CopyFindData(const WIN32_FIND_DATAW& data, PlatformFindData* entry) {
  entry->attributes = data.dwFileAttributes;
  entry->sizeLow = data.nFileSizeLow;
  entry->sizeHigh = data.nFileSizeHigh;
  Utf8FromWide(entry->name, sizeof entry->name, data.cFileName);
}

bool Platform_FindFirst(const char* pattern, PlatformHandle* find, PlatformFindData* entry) {
  wchar_t* widePattern = WidePath(pattern);
  if (widePattern == nullptr) return false;
  WIN32_FIND_DATAW data;
  HANDLE handle = FindFirstFileW(widePattern, &data);
  std::free(widePattern);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CopyFindData(data, entry);
  *find = handle;
  return true;
}

bool Platform_FindNext(PlatformHandle find, PlatformFindData* entry) {
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(find, &data)) return false;
  CopyFindData(data, entry);
  return true;
}

void Platform_FindClose(PlatformHandle find) { FindClose(find); }

static HANDLE OpenWide(const char* path, DWORD access, DWORD share, DWORD flags) {
  wchar_t* widePath = WidePath(path);
  if (widePath == nullptr) return INVALID_HANDLE_VALUE;
  HANDLE handle = CreateFileW(widePath, access, share, nullptr, OPEN_EXISTING, flags, nullptr);
  std::free(widePath);
  return handle;
}

bool Platform_GetDirectoryId(const char* path, PlatformDirectoryId* id) {
  HANDLE directory =
      OpenWide(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_FLAG_BACKUP_SEMANTICS);
  if (directory == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  BOOL ok = GetFileInformationByHandle(directory, &information);
  CloseHandle(directory);
  if (!ok) return false;
  id->volume = information.dwVolumeSerialNumber;
  id->indexHigh = information.nFileIndexHigh;
  id->indexLow = information.nFileIndexLow;
  return true;
}

bool Platform_OpenForChecksum(const char* path, PlatformHandle* file) {
  HANDLE handle = OpenWide(path, GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *file = handle;
  return true;
}

// GetFileType and GetFileSize only: GetFileInformationByHandle also asks for the volume's serial number, which
// Wine answers through its mount manager, a round trip to another process for every file.
bool Platform_GetOpenFileInfo(PlatformHandle file, PlatformFileInfo* info) {
  DWORD high = 0;
  // A size whose low half is 0xFFFFFFFF is told from a failure by the error code alone.
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  info->diskFile = GetFileType(file) == FILE_TYPE_DISK;
  info->sizeLow = low;
  info->sizeHigh = high;
  return true;
}

bool Platform_ReadFile(PlatformHandle file, void* buffer, uint32_t size, uint32_t* bytesRead) {
  DWORD got = 0;
  BOOL ok = ReadFile(file, buffer, size, &got, nullptr);
  *bytesRead = got;
  return ok != FALSE;
}

void Platform_CloseFile(PlatformHandle file) { CloseHandle(file); }

uint32_t Platform_GetWindowsDirectory(char* buffer, uint32_t size) {
  wchar_t wide[MAX_PATH + 1];
  UINT length = GetWindowsDirectoryW(wide, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return 0;
  size_t needed = Text_Utf8LengthOf(reinterpret_cast<const uint16_t*>(wide));
  if (needed >= size) return static_cast<uint32_t>(needed + 1);
  Utf8FromWide(buffer, size, wide);
  return static_cast<uint32_t>(needed);
}

uint32_t Platform_GetLogicalDriveStrings(uint32_t size, char* buffer) { return GetLogicalDriveStringsA(size, buffer); }

uint32_t Platform_GetDriveType(const char* root) { return GetDriveTypeA(root); }

static void CopyProcessEntry(const PROCESSENTRY32W& data, PlatformProcessEntry* entry) {
  entry->processId = data.th32ProcessID;
  Utf8FromWide(entry->exeFile, sizeof entry->exeFile, data.szExeFile);
}

bool Platform_SnapshotProcesses(PlatformHandle* snapshot) {
  HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *snapshot = handle;
  return true;
}

bool Platform_FirstProcess(PlatformHandle snapshot, PlatformProcessEntry* entry) {
  PROCESSENTRY32W data;
  data.dwSize = sizeof data;
  if (!Process32FirstW(snapshot, &data)) return false;
  CopyProcessEntry(data, entry);
  return true;
}

bool Platform_NextProcess(PlatformHandle snapshot, PlatformProcessEntry* entry) {
  PROCESSENTRY32W data;
  data.dwSize = sizeof data;
  if (!Process32NextW(snapshot, &data)) return false;
  CopyProcessEntry(data, entry);
  return true;
}

void Platform_CloseSnapshot(PlatformHandle snapshot) { CloseHandle(snapshot); }

bool Platform_OpenProcess(uint32_t processId, PlatformHandle* process) {
  HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE, processId);
  if (handle == nullptr) return false;
  *process = handle;
  return true;
}

typedef DWORD(WINAPI* GetModuleFileNameExFunction)(HANDLE process, HMODULE module, LPWSTR path, DWORD size);

// psapi.dll is no known DLL on XP: imported by name, a copy planted beside the program would run in it.
static GetModuleFileNameExFunction FindGetModuleFileNameEx() {
  HMODULE psapi = SystemLibrary_Load("psapi.dll");
  if (psapi == nullptr) return nullptr;
  return reinterpret_cast<GetModuleFileNameExFunction>(
      reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExW")));
}

// The path the process's own module list gives, which on 64-bit Windows is in the 32-bit programs' view.
static bool ModuleImagePath(PlatformHandle process, char* path, uint32_t size) {
  // Loaded once, on first use, and kept until the process ends.
  static const GetModuleFileNameExFunction getModuleFileNameEx = FindGetModuleFileNameEx();
  if (getModuleFileNameEx == nullptr) return false;
  enum { IMAGE_PATH_UNITS = PLATFORM_MAX_WIDE_PATH + 1 };
  wchar_t* wide = static_cast<wchar_t*>(std::malloc(IMAGE_PATH_UNITS * sizeof(wchar_t)));
  if (wide == nullptr) return false;
  DWORD length = getModuleFileNameEx(process, nullptr, wide, IMAGE_PATH_UNITS);
  // A full buffer may hold a cut path: treat it as no path.
  bool ok = length != 0 && length < IMAGE_PATH_UNITS && Utf8FromWide(path, size, wide);
  std::free(wide);
  return ok && Wow64_RealPathOf32BitView(path, size);
}

bool Platform_GetProcessImagePath(PlatformHandle process, char* path, uint32_t size) {
  enum { IMAGE_PATH_UNITS = PLATFORM_MAX_WIDE_PATH + 1 };
  wchar_t* fullPath = static_cast<wchar_t*>(std::malloc(IMAGE_PATH_UNITS * sizeof(wchar_t)));
  if (fullPath == nullptr) return false;
  bool found = Wow64_FullImagePath(process, fullPath, IMAGE_PATH_UNITS);
  bool ok = found ? Utf8FromWide(path, size, fullPath) : ModuleImagePath(process, path, size);
  std::free(fullPath);
  return ok;
}

bool Platform_TerminateProcess(PlatformHandle process) { return TerminateProcess(process, 0) != FALSE; }

void Platform_CloseProcess(PlatformHandle process) { CloseHandle(process); }

bool Platform_OpenRunKey(uint32_t view, PlatformHandle* key) {
  // On 32-bit Windows the key has one view, reached without a view flag (which Windows 2000 would refuse); on
  // 64-bit Windows both, for a 64-bit program as for a 32-bit one.
  REGSAM viewFlag = 0;
  if (Wow64_On64BitWindows()) {
    viewFlag = view == PLATFORM_RUN_KEY_32BIT ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  } else if (view == PLATFORM_RUN_KEY_32BIT) {
    return false;
  }
  HKEY handle;
  LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE | viewFlag, &handle);
  if (result != ERROR_SUCCESS) return false;
  *key = handle;
  return true;
}

// The value's name and, for string data, its text as UTF-8 in the caller's buffers; other data is left out.
static int32_t Utf8Value(const wchar_t* wideName, uint32_t type, const wchar_t* wideData, char* name,
                         uint32_t* nameLength, uint8_t* data, uint32_t* dataSize) {
  if (!Utf8FromWide(name, *nameLength, wideName)) return PLATFORM_ERROR_MORE_DATA;
  *nameLength = static_cast<uint32_t>(std::strlen(name));
  if (type != REG_SZ) {
    *dataSize = 0;
    return PLATFORM_ERROR_SUCCESS;
  }
  char* text = reinterpret_cast<char*>(data);
  if (!Utf8FromWide(text, *dataSize, wideData)) return PLATFORM_ERROR_MORE_DATA;
  *dataSize = static_cast<uint32_t>(std::strlen(text) + 1);
  return PLATFORM_ERROR_SUCCESS;
}

int32_t Platform_EnumValue(PlatformHandle key, uint32_t index, char* name, uint32_t* nameLength, uint32_t* type,
                           uint8_t* data, uint32_t* dataSize) {
  // As many UTF-16 units as the caller has bytes: longer names or data could not fit as UTF-8 either.
  DWORD nameUnits = *nameLength;
  DWORD dataBytes = *dataSize * sizeof(wchar_t);
  wchar_t* wideName = static_cast<wchar_t*>(std::malloc(nameUnits * sizeof(wchar_t)));
  wchar_t* wideData = static_cast<wchar_t*>(std::malloc(dataBytes + sizeof(wchar_t)));
  DWORD valueType = 0;
  LONG result = wideName == nullptr || wideData == nullptr
                    ? ERROR_NOT_ENOUGH_MEMORY
                    : RegEnumValueW(static_cast<HKEY>(key), index, wideName, &nameUnits, nullptr, &valueType,
                                    reinterpret_cast<BYTE*>(wideData), &dataBytes);
  *type = valueType;
  if (result == ERROR_SUCCESS) {
    // The stored data need not end in a terminator.
    wideData[dataBytes / sizeof(wchar_t)] = L'\0';
    result = Utf8Value(wideName, valueType, wideData, name, nameLength, data, dataSize);
  }
  std::free(wideName);
  std::free(wideData);
  return result;
}

bool Platform_DeleteValue(PlatformHandle key, const char* name) {
  size_t units = Text_Utf16LengthOf(name) + 1;
  wchar_t* wideName = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
  if (wideName == nullptr) return false;
  Text_ToUtf16(reinterpret_cast<uint16_t*>(wideName), units, name);
  bool ok = RegDeleteValueW(static_cast<HKEY>(key), wideName) == ERROR_SUCCESS;
  std::free(wideName);
  return ok;
}

void Platform_CloseKey(PlatformHandle key) { RegCloseKey(static_cast<HKEY>(key)); }

void Platform_RemoveArgs(char* path) { PathRemoveArgsA(path); }

uint32_t Platform_GetAttributes(const char* path) {
  wchar_t* widePath = WidePath(path);
  if (widePath == nullptr) return PLATFORM_ATTR_INVALID;
  DWORD attributes = GetFileAttributesW(widePath);
  std::free(widePath);
  return attributes;
}

bool Platform_FileExists(const char* path) { return Platform_GetAttributes(path) != PLATFORM_ATTR_INVALID; }

bool Platform_OpenForIdentity(const char* path, PlatformHandle* file) {
  HANDLE handle = OpenWide(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *file = handle;
  return true;
}

bool Platform_OpenForDelete(const char* path, PlatformHandle* file) {
  HANDLE handle = OpenWide(path, DELETE | GENERIC_READ | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *file = handle;
  return true;
}

// Information on an open file: Get/SetFileInformationByHandle(Ex) from Vista on, ntdll's NtQueryInformationFile
// and NtSetInformationFile (there since NT 3.1) on XP. Both take the same records; only the class numbers differ.
namespace {

struct BasicInformation {  // FILE_BASIC_INFO: zero times are left as they are
  LARGE_INTEGER creationTime;
  LARGE_INTEGER lastAccessTime;
  LARGE_INTEGER lastWriteTime;
  LARGE_INTEGER changeTime;
  DWORD attributes;
};

struct DispositionInformation {  // FILE_DISPOSITION_INFO
  BOOLEAN deleteFile;
};

struct IoStatusBlock {
  union {
    LONG status;
    void* pointer;
  };
  ULONG_PTR information;
};

typedef BOOL(WINAPI* FileInformationByHandleFunction)(HANDLE file, int infoClass, void* info, DWORD size);
typedef LONG(NTAPI* NtFileInformationFunction)(HANDLE file, IoStatusBlock* status, void* info, ULONG size,
                                               int infoClass);

enum { BY_HANDLE_BASIC_INFO = 0, BY_HANDLE_DISPOSITION_INFO = 4 };
enum { NT_FILE_BASIC_INFORMATION = 4, NT_FILE_DISPOSITION_INFORMATION = 13 };

struct RenameInformation {  // FILE_RENAME_INFO, the name following the record
  BOOLEAN replaceIfExists;
  HANDLE rootDirectory;
  DWORD fileNameLength;  // bytes
  WCHAR fileName[1];
};
enum { BY_HANDLE_RENAME_INFO = 3, NT_FILE_RENAME_INFORMATION = 10 };

}  // namespace

// Both libraries are in every process from its start; neither is loaded here.
static void* LoadedFunction(const wchar_t* module, const char* name) {
  HMODULE loaded = GetModuleHandleW(module);
  return loaded == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(loaded, name));
}

// One information call on an open file: the by-handle call where the system has it, else ntdll's.
static bool OpenFileInformation(const char* byHandleName, const char* ntName, HANDLE file, int byHandleClass,
                                int ntClass, void* info, DWORD size) {
  FileInformationByHandleFunction byHandle =
      reinterpret_cast<FileInformationByHandleFunction>(LoadedFunction(L"kernel32.dll", byHandleName));
  if (byHandle != nullptr) return byHandle(file, byHandleClass, info, size) != FALSE;
  NtFileInformationFunction nt = reinterpret_cast<NtFileInformationFunction>(LoadedFunction(L"ntdll.dll", ntName));
  if (nt == nullptr) return false;
  IoStatusBlock status;
  std::memset(&status, 0, sizeof status);
  LONG result = nt(file, &status, info, size, ntClass);
  if (result >= 0) return true;
  // The error codes the callers tell apart or show, as the by-handle call would set them.
  const LONG ACCESS_DENIED = static_cast<LONG>(0xC0000022), NAME_COLLISION = static_cast<LONG>(0xC0000035),
             NOT_SAME_DEVICE = static_cast<LONG>(0xC00000D4);
  SetLastError(result == NOT_SAME_DEVICE  ? ERROR_NOT_SAME_DEVICE
               : result == ACCESS_DENIED  ? ERROR_ACCESS_DENIED
               : result == NAME_COLLISION ? ERROR_ALREADY_EXISTS
                                          : ERROR_GEN_FAILURE);
  return false;
}

static bool SetOpenFileInformation(HANDLE file, int byHandleClass, int ntClass, void* info, DWORD size) {
  return OpenFileInformation("SetFileInformationByHandle", "NtSetInformationFile", file, byHandleClass, ntClass, info,
                             size);
}

static LARGE_INTEGER OpenFileChangeTime(HANDLE file) {
  BasicInformation basic;
  std::memset(&basic, 0, sizeof basic);
  if (!OpenFileInformation("GetFileInformationByHandleEx", "NtQueryInformationFile", file, BY_HANDLE_BASIC_INFO,
                           NT_FILE_BASIC_INFORMATION, &basic, sizeof basic)) {
    basic.changeTime.QuadPart = 0;
  }
  return basic.changeTime;
}

bool Platform_GetFileIdentity(PlatformHandle file, PlatformFileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) return false;
  identity->volume = information.dwVolumeSerialNumber;
  identity->indexHigh = information.nFileIndexHigh;
  identity->indexLow = information.nFileIndexLow;
  identity->sizeLow = information.nFileSizeLow;
  identity->sizeHigh = information.nFileSizeHigh;
  identity->writeTimeLow = information.ftLastWriteTime.dwLowDateTime;
  identity->writeTimeHigh = information.ftLastWriteTime.dwHighDateTime;
  LARGE_INTEGER changeTime = OpenFileChangeTime(file);
  identity->changeTimeLow = changeTime.LowPart;
  identity->changeTimeHigh = static_cast<uint32_t>(changeTime.HighPart);
  identity->attributes = information.dwFileAttributes;
  identity->links = information.nNumberOfLinks;
  identity->diskFile = GetFileType(file) == FILE_TYPE_DISK;
  return true;
}

bool Platform_SetOpenFileAttributes(PlatformHandle file, uint32_t attributes) {
  BasicInformation basic;
  std::memset(&basic, 0, sizeof basic);
  basic.attributes = attributes;
  return SetOpenFileInformation(file, BY_HANDLE_BASIC_INFO, NT_FILE_BASIC_INFORMATION, &basic, sizeof basic);
}

bool Platform_DeleteOpenFile(PlatformHandle file) {
  DispositionInformation disposition = {TRUE};
  return SetOpenFileInformation(file, BY_HANDLE_DISPOSITION_INFO, NT_FILE_DISPOSITION_INFORMATION, &disposition,
                                sizeof disposition);
}

// The new name goes in the object manager's form, \??\C:\... or \??\UNC\server\share\..., which both calls
// take as it stands (the by-handle call passes its record to ntdll's).
uint32_t Platform_RenameOpenFile(PlatformHandle file, const char* newPath) {
  wchar_t* wide = WidePath(newPath);
  if (wide == nullptr) return PLATFORM_RENAME_FAILED;
  size_t units = std::wcslen(wide);
  if (units < 4 || std::wcsncmp(wide, L"\\\\?\\", 4) != 0) {
    std::free(wide);
    SetLastError(ERROR_INVALID_NAME);
    return PLATFORM_RENAME_FAILED;
  }
  wide[1] = L'?';
  DWORD size = static_cast<DWORD>(offsetof(RenameInformation, fileName) + (units + 1) * sizeof(WCHAR));
  RenameInformation* rename = static_cast<RenameInformation*>(std::calloc(1, size));
  if (rename == nullptr) {
    std::free(wide);
    return PLATFORM_RENAME_FAILED;
  }
  rename->replaceIfExists = FALSE;
  rename->rootDirectory = nullptr;
  rename->fileNameLength = static_cast<DWORD>(units * sizeof(WCHAR));
  std::memcpy(rename->fileName, wide, (units + 1) * sizeof(WCHAR));
  std::free(wide);
  bool renamed = SetOpenFileInformation(file, BY_HANDLE_RENAME_INFO, NT_FILE_RENAME_INFORMATION, rename, size);
  DWORD error = GetLastError();
  std::free(rename);
  if (renamed) return PLATFORM_RENAME_DONE;
  SetLastError(error);
  return error == ERROR_NOT_SAME_DEVICE ? PLATFORM_RENAME_OTHER_VOLUME : PLATFORM_RENAME_FAILED;
}

bool Platform_CreateNewFile(const char* path, PlatformHandle* file) {
  wchar_t* widePath = WidePath(path);
  if (widePath == nullptr) return false;
  HANDLE handle = CreateFileW(widePath, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::free(widePath);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *file = handle;
  return true;
}

bool Platform_WriteFile(PlatformHandle file, const void* buffer, uint32_t size) {
  DWORD written = 0;
  return WriteFile(file, buffer, size, &written, nullptr) && written == size;
}

bool Platform_FlushFile(PlatformHandle file) { return FlushFileBuffers(file) != FALSE; }

bool Platform_DeleteFile(const char* path) {
  wchar_t* widePath = WidePath(path);
  if (widePath == nullptr) return false;
  bool deleted = DeleteFileW(widePath) != FALSE;
  std::free(widePath);
  return deleted;
}

uint32_t Platform_MoveFile(const char* from, const char* to, bool replace) {
  wchar_t* wideFrom = WidePath(from);
  wchar_t* wideTo = WidePath(to);
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  bool moved = wideFrom != nullptr && wideTo != nullptr && MoveFileExW(wideFrom, wideTo, flags);
  DWORD error = GetLastError();
  std::free(wideFrom);
  std::free(wideTo);
  SetLastError(error);
  if (moved) return PLATFORM_RENAME_DONE;
  return error == ERROR_NOT_SAME_DEVICE ? PLATFORM_RENAME_OTHER_VOLUME : PLATFORM_RENAME_FAILED;
}

bool Platform_CreateFolder(const char* path) {
  wchar_t* widePath = WidePath(path);
  if (widePath == nullptr) return false;
  bool made = CreateDirectoryW(widePath, nullptr) != FALSE;
  DWORD error = GetLastError();
  DWORD attributes = made ? FILE_ATTRIBUTE_DIRECTORY : GetFileAttributesW(widePath);
  std::free(widePath);
  if (made) return true;
  SetLastError(error);
  return error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Platform_FullPath(const char* path, char* full, uint32_t size) {
  size_t units = Text_Utf16LengthOf(path) + 1;
  wchar_t* plain = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
  if (plain == nullptr) return false;
  Text_ToUtf16(reinterpret_cast<uint16_t*>(plain), units, path);
  DWORD needed = GetFullPathNameW(plain, 0, nullptr, nullptr);
  wchar_t* wide = needed == 0 ? nullptr : static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t)));
  DWORD length = wide == nullptr ? 0 : GetFullPathNameW(plain, needed, wide, nullptr);
  bool ok = length != 0 && length < needed && Utf8FromWide(full, size, wide);
  std::free(plain);
  std::free(wide);
  return ok;
}

uint32_t Platform_LastError() { return GetLastError(); }

void Platform_UtcNow(PlatformTime* now) {
  SYSTEMTIME time;
  GetSystemTime(&time);
  now->year = time.wYear;
  now->month = time.wMonth;
  now->day = time.wDay;
  now->hour = time.wHour;
  now->minute = time.wMinute;
  now->second = time.wSecond;
}

static bool IsVistaOrLater() {
  OSVERSIONINFOA version;
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwMajorVersion >= 6;
}

bool Platform_IsFilteredAdministrator() {
  // XP's GetTokenInformation knows no elevation type; asking it is left to the systems that have one.
  if (!IsVistaOrLater()) return false;
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  BOOL ok = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
  CloseHandle(token);
  // Limited: the filtered half of an administrator's split token.
  return ok && type == TokenElevationTypeLimited;
}

PlatformHandle Platform_CreateLock() {
  CRITICAL_SECTION* section = static_cast<CRITICAL_SECTION*>(std::malloc(sizeof(CRITICAL_SECTION)));
  if (section == nullptr) return nullptr;
  if (!InitializeCriticalSectionAndSpinCount(section, 0)) {
    std::free(section);
    return nullptr;
  }
  return section;
}

void Platform_Lock(PlatformHandle lock) {
  if (lock != nullptr) EnterCriticalSection(static_cast<CRITICAL_SECTION*>(lock));
}

void Platform_Unlock(PlatformHandle lock) {
  if (lock != nullptr) LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(lock));
}

// The runtime's thread call wants a __stdcall procedure: this one runs the body it is handed and frees the pair.
struct ThreadStart {
  PlatformThreadBody body;
  void* argument;
};

static unsigned __stdcall ThreadEntry(void* start) {
  ThreadStart run = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  return run.body(run.argument);
}

PlatformHandle Platform_StartThread(PlatformThreadBody body, void* argument) {
  ThreadStart* start = new (std::nothrow) ThreadStart{body, argument};
  if (start == nullptr) return nullptr;
  uintptr_t thread = _beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
  if (thread == 0) delete start;
  return reinterpret_cast<PlatformHandle>(thread);
}

void Platform_WaitThread(PlatformHandle thread) { WaitForSingleObject(thread, INFINITE); }

void Platform_CloseThread(PlatformHandle thread) { CloseHandle(thread); }

uint32_t Platform_UsableCpuCount() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
  uint32_t count = 0;
  for (; process != 0; process &= process - 1) ++count;
  return count == 0 ? 1 : count;
}

PlatformHandle Platform_CreateSemaphore(int32_t initialCount, int32_t maximumCount) {
  return CreateSemaphoreW(nullptr, initialCount, maximumCount, nullptr);
}

void Platform_ReleaseSemaphore(PlatformHandle semaphore, int32_t count) { ReleaseSemaphore(semaphore, count, nullptr); }

void Platform_WaitSemaphore(PlatformHandle semaphore) { WaitForSingleObject(semaphore, INFINITE); }

void Platform_CloseSemaphore(PlatformHandle semaphore) { CloseHandle(semaphore); }

uint32_t Platform_TickCount() { return GetTickCount(); }

bool Platform_FoldCase(const char* text, char* folded, uint32_t size) {
  size_t units = Text_Utf16LengthOf(text);
  wchar_t* wide = static_cast<wchar_t*>(std::malloc((units + 1) * sizeof(wchar_t)));
  wchar_t* upper = static_cast<wchar_t*>(std::malloc((units + 1) * sizeof(wchar_t)));
  bool ok = wide != nullptr && upper != nullptr && Text_ToUtf16(reinterpret_cast<uint16_t*>(wide), units + 1, text);
  // A text of no characters folds to itself (LCMapStringW refuses an empty source).
  if (ok && units == 0) upper[0] = L'\0';
  if (ok && units != 0) {
    int length = static_cast<int>(units);
    ok = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide, length, upper, length) == length;
    upper[units] = L'\0';
  }
  ok = ok && Utf8FromWide(folded, size, upper);
  std::free(wide);
  std::free(upper);
  return ok;
}
