// File helpers over the wide Win32 calls for the quarantine, the report and the roll-up.
#include "file_tools.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "json_writer.h"
#include "platform.h"
#include "text.h"

// The long form takes a path as it stands: a relative path, forward slashes, or "." and ".." steps (as a switch
// may give) are first made a full path the ordinary way.
static bool NeedsFullPath(const std::string& path) {
  bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
  std::string steps = path + "\\";
  return !absolute || path.find('/') != std::string::npos || steps.find("\\.\\") != std::string::npos ||
         steps.find("\\..\\") != std::string::npos;
}

static std::string FullPath(const std::string& path) {
  std::wstring plain(Text_Utf16LengthOf(path.c_str()) + 1, L'\0');
  Text_ToUtf16(reinterpret_cast<uint16_t*>(&plain[0]), plain.size(), path.c_str());
  DWORD needed = GetFullPathNameW(plain.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  DWORD length = GetFullPathNameW(plain.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return path;
  return FileTools_Utf8(full.c_str());
}

std::wstring FileTools_Wide(const std::string& given) {
  std::string path = NeedsFullPath(given) ? FullPath(given) : given;
  size_t units = Text_LongPathLengthOf(path.c_str());
  std::wstring wide(units + 1, L'\0');
  if (!Text_ToLongPath(reinterpret_cast<uint16_t*>(&wide[0]), wide.size(), path.c_str())) return std::wstring();
  wide.resize(units);
  return wide;
}

std::string FileTools_Utf8(const wchar_t* wide) {
  const uint16_t* units = reinterpret_cast<const uint16_t*>(wide);
  std::string utf8(Text_Utf8LengthOf(units) + 1, '\0');
  if (!Text_FromUtf16(&utf8[0], utf8.size(), units)) return std::string();
  utf8.resize(utf8.size() - 1);
  return utf8;
}

std::string FileTools_Sha256(const std::string& path) {
  uint8_t digest[PLATFORM_SHA256_SIZE];
  if (!Platform_Sha256File(path.c_str(), digest)) return std::string();
  return Json_Hex(std::string(reinterpret_cast<const char*>(digest), sizeof digest));
}

bool FileTools_Size(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(FileTools_Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool FileTools_Exists(const std::string& path) {
  return GetFileAttributesW(FileTools_Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileTools_Delete(const std::string& path) { return DeleteFileW(FileTools_Wide(path).c_str()) != FALSE; }

bool FileTools_Rename(const std::string& from, const std::string& to, bool replace) {
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return MoveFileExW(FileTools_Wide(from).c_str(), FileTools_Wide(to).c_str(), flags) != FALSE;
}

bool FileTools_Copy(const std::string& from, const std::string& to) {
  return CopyFileW(FileTools_Wide(from).c_str(), FileTools_Wide(to).c_str(), TRUE) != FALSE;
}

bool FileTools_ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(FileTools_Wide(folder + "\\" + pattern).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names->push_back(FileTools_Utf8(entry.cFileName));
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return true;
}

bool FileTools_Read(const std::string& path, std::string* contents, uint64_t limit) {
  HANDLE file =
      CreateFileW(FileTools_Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  contents->clear();
  char block[8192];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, block, sizeof block, &got, nullptr) != FALSE) && got != 0) {
    if (contents->size() + got > limit) {
      ok = false;
      break;
    }
    contents->append(block, got);
  }
  CloseHandle(file);
  return ok;
}

bool FileTools_WriteAtomically(const std::string& path, const std::string& contents) {
  std::string partial = path + ".partial";
  HANDLE file = CreateFileW(FileTools_Wide(partial).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
            written == contents.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (ok) ok = FileTools_Rename(partial, path, true);
  if (!ok) FileTools_Delete(partial);
  return ok;
}

std::string FileTools_Parent(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileTools_CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesW(FileTools_Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::string parent = FileTools_Parent(path);
  // A drive root ("C:") or a share's root ends the climb.
  if (!parent.empty() && parent.size() > 2 && !FileTools_CreateFolders(parent)) return false;
  return CreateDirectoryW(FileTools_Wide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string FileTools_UtcNow() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  return text;
}

std::string FileTools_LastError() { return "error " + std::to_string(GetLastError()); }

static bool TestHookNames(const char* variable, const char* step) {
  char wanted[64];
  DWORD length = GetEnvironmentVariableA(variable, wanted, sizeof wanted);
  return length != 0 && length < sizeof wanted && std::strcmp(wanted, step) == 0;
}

enum : DWORD { HOLD_LIMIT_MS = 120000, HOLD_POLL_MS = 50 };

void FileTools_Checkpoint(const char* step) {
  if (TestHookNames("PURGEWELL_TEST_KILL_AT", step)) TerminateProcess(GetCurrentProcess(), 99);
  if (!TestHookNames("PURGEWELL_TEST_HOLD_AT", step)) return;
  wchar_t holdFile[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"PURGEWELL_TEST_HOLD_FILE", holdFile, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  HANDLE file = CreateFileW(holdFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  CloseHandle(file);
  for (DWORD waited = 0; waited < HOLD_LIMIT_MS && GetFileAttributesW(holdFile) != INVALID_FILE_ATTRIBUTES;
       waited += HOLD_POLL_MS) {
    Sleep(HOLD_POLL_MS);
  }
}
