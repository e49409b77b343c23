// File helpers over Win32 for the quarantine, the report and the roll-up.
#include "file_tools.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "json_writer.h"
#include "platform.h"
#include "text.h"

std::string FileTools_Sha256(const std::string& path) {
  uint8_t digest[PLATFORM_SHA256_SIZE];
  if (!Platform_Sha256File(path.c_str(), digest)) return std::string();
  return Json_Hex(std::string(reinterpret_cast<const char*>(digest), sizeof digest));
}

bool FileTools_Size(const std::string& path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool FileTools_Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileTools_Read(const std::string& path, std::string* contents, uint64_t limit) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
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
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
            written == contents.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (ok) ok = MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  if (!ok) DeleteFileA(partial.c_str());
  return ok;
}

std::string FileTools_Parent(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileTools_CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::string parent = FileTools_Parent(path);
  // A drive root ("C:") or a share's root ends the climb.
  if (!parent.empty() && parent.size() > 2 && !FileTools_CreateFolders(parent)) return false;
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
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

void FileTools_Checkpoint(const char* step) {
  char wanted[64];
  DWORD length = GetEnvironmentVariableA("PURGEWELL_TEST_KILL_AT", wanted, sizeof wanted);
  if (length == 0 || length >= sizeof wanted || std::strcmp(wanted, step) != 0) return;
  TerminateProcess(GetCurrentProcess(), 99);
}

std::string FileTools_EnginePath(const std::string& ansi) {
  int units = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  if (units <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], units);
  const uint16_t* text = reinterpret_cast<const uint16_t*>(wide.c_str());
  std::string utf8(Text_Utf8LengthOf(text) + 1, '\0');
  Text_FromUtf16(&utf8[0], utf8.size(), text);
  utf8.resize(utf8.size() - 1);
  return utf8;
}
