// The engine's platform operations on Win32: thin forwarding with the flags the engine relies on.
#include <windows.h>
#include <process.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform.h"
#include "platform_win32_wow64.h"
#include "system_library.h"

static void CopyFindData(const WIN32_FIND_DATAA& data, PlatformFindData* entry) {
  entry->attributes = data.dwFileAttributes;
  entry->sizeLow = data.nFileSizeLow;
  entry->sizeHigh = data.nFileSizeHigh;
  std::memcpy(entry->name, data.cFileName, sizeof entry->name);
  entry->name[sizeof entry->name - 1] = '\0';
}

bool Platform_FindFirst(const char* pattern, PlatformHandle* find, PlatformFindData* entry) {
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA(pattern, &data);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CopyFindData(data, entry);
  *find = handle;
  return true;
}

bool Platform_FindNext(PlatformHandle find, PlatformFindData* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(find, &data)) return false;
  CopyFindData(data, entry);
  return true;
}

void Platform_FindClose(PlatformHandle find) { FindClose(find); }

bool Platform_GetDirectoryId(const char* path, PlatformDirectoryId* id) {
  HANDLE directory = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
  HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *file = handle;
  return true;
}

bool Platform_ReadFile(PlatformHandle file, void* buffer, uint32_t size, uint32_t* bytesRead) {
  DWORD got = 0;
  BOOL ok = ReadFile(file, buffer, size, &got, nullptr);
  *bytesRead = got;
  return ok != FALSE;
}

void Platform_CloseFile(PlatformHandle file) { CloseHandle(file); }

uint32_t Platform_GetWindowsDirectory(char* buffer, uint32_t size) { return GetWindowsDirectoryA(buffer, size); }

uint32_t Platform_GetLogicalDriveStrings(uint32_t size, char* buffer) { return GetLogicalDriveStringsA(size, buffer); }

uint32_t Platform_GetDriveType(const char* root) { return GetDriveTypeA(root); }

static void CopyProcessEntry(const PROCESSENTRY32& data, PlatformProcessEntry* entry) {
  entry->processId = data.th32ProcessID;
  std::memcpy(entry->exeFile, data.szExeFile, sizeof entry->exeFile);
  entry->exeFile[sizeof entry->exeFile - 1] = '\0';
}

bool Platform_SnapshotProcesses(PlatformHandle* snapshot) {
  HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (handle == INVALID_HANDLE_VALUE) return false;
  *snapshot = handle;
  return true;
}

bool Platform_FirstProcess(PlatformHandle snapshot, PlatformProcessEntry* entry) {
  PROCESSENTRY32 data;
  data.dwSize = sizeof data;
  if (!Process32First(snapshot, &data)) return false;
  CopyProcessEntry(data, entry);
  return true;
}

bool Platform_NextProcess(PlatformHandle snapshot, PlatformProcessEntry* entry) {
  PROCESSENTRY32 data;
  data.dwSize = sizeof data;
  if (!Process32Next(snapshot, &data)) return false;
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

typedef DWORD(WINAPI* GetModuleFileNameExFunction)(HANDLE process, HMODULE module, LPSTR path, DWORD size);

// psapi.dll is no known DLL on XP: imported by name, a copy planted beside the program would run in it.
static GetModuleFileNameExFunction FindGetModuleFileNameEx() {
  HMODULE psapi = SystemLibrary_Load("psapi.dll");
  if (psapi == nullptr) return nullptr;
  return reinterpret_cast<GetModuleFileNameExFunction>(
      reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExA")));
}

// The path the process's own module list gives, which on 64-bit Windows is in the 32-bit programs' view.
static bool ModuleImagePath(PlatformHandle process, char* path, uint32_t size) {
  // Loaded once, on first use, and kept until the process ends.
  static const GetModuleFileNameExFunction getModuleFileNameEx = FindGetModuleFileNameEx();
  if (getModuleFileNameEx == nullptr) return false;
  DWORD length = getModuleFileNameEx(process, nullptr, path, size);
  // A full buffer may hold a cut path: treat it as no path.
  return length != 0 && length < size && Wow64_RealPathOf32BitView(path, size);
}

bool Platform_GetProcessImagePath(PlatformHandle process, char* path, uint32_t size) {
  wchar_t fullPath[PLATFORM_MAX_PATH + 1];
  if (!Wow64_FullImagePath(process, fullPath, PLATFORM_MAX_PATH + 1)) return ModuleImagePath(process, path, size);
  // A name the code page cannot spell would open some other file or none: no path then.
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, fullPath, -1, path, static_cast<int>(size), nullptr,
                                   &lossy);
  return length > 1 && !lossy;
}

bool Platform_TerminateProcess(PlatformHandle process) { return TerminateProcess(process, 0) != FALSE; }

void Platform_CloseProcess(PlatformHandle process) { CloseHandle(process); }

bool Platform_OpenRunKey(uint32_t view, PlatformHandle* key) {
  // On 32-bit Windows the key has one view, reached without a view flag (which Windows 2000 would refuse).
  REGSAM viewFlag = 0;
  if (Wow64_Running()) {
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

int32_t Platform_EnumValue(PlatformHandle key, uint32_t index, char* name, uint32_t* nameLength, uint32_t* type,
                           uint8_t* data, uint32_t* dataSize) {
  DWORD nameChars = *nameLength;
  DWORD valueType = 0;
  DWORD dataBytes = *dataSize;
  LONG result =
      RegEnumValueA(static_cast<HKEY>(key), index, name, &nameChars, nullptr, &valueType, data, &dataBytes);
  *nameLength = nameChars;
  *type = valueType;
  *dataSize = dataBytes;
  return result;
}

bool Platform_DeleteValue(PlatformHandle key, const char* name) {
  return RegDeleteValueA(static_cast<HKEY>(key), name) == ERROR_SUCCESS;
}

void Platform_CloseKey(PlatformHandle key) { RegCloseKey(static_cast<HKEY>(key)); }

void Platform_RemoveArgs(char* path) { PathRemoveArgsA(path); }

bool Platform_FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool Platform_SetAttributesNormal(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Platform_DeleteFile(const char* path) { return DeleteFileA(path) != FALSE; }

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
