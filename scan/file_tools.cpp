// File helpers over the platform layer for the quarantine, the report and the roll-up.
#include "file_tools.h"

#include <cstdio>

#include "json_writer.h"
#include "platform.h"

enum { COPY_BLOCK_SIZE = 16384 };

static bool NeedsFullPath(const std::string& path) {
  bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.compare(0, 2, "\\\\") == 0;
  std::string steps = path + "\\";
  return !absolute || path.find('/') != std::string::npos || steps.find("\\.\\") != std::string::npos ||
         steps.find("\\..\\") != std::string::npos;
}

std::string FileTools_FullPath(const std::string& path) {
  if (!NeedsFullPath(path)) return path;
  std::vector<char> full(3 * PLATFORM_MAX_WIDE_PATH + 1);
  if (!Platform_FullPath(path.c_str(), full.data(), static_cast<uint32_t>(full.size()))) return path;
  return full.data();
}

static const char* PathOf(const std::string& path, std::string* full) {
  *full = FileTools_FullPath(path);
  return full->c_str();
}

std::string FileTools_Sha256(const std::string& path) {
  std::string full;
  PlatformHandle file = nullptr;
  if (!Platform_OpenForChecksum(PathOf(path, &full), &file)) return std::string();
  uint8_t digest[PLATFORM_SHA256_SIZE];
  bool ok = Platform_Sha256OpenFile(file, digest);
  Platform_CloseFile(file);
  return ok ? Json_Hex(std::string(reinterpret_cast<const char*>(digest), sizeof digest)) : std::string();
}

bool FileTools_Size(const std::string& path, uint64_t* size) {
  std::string full;
  PlatformHandle file = nullptr;
  if (!Platform_OpenForIdentity(PathOf(path, &full), &file)) return false;
  PlatformFileIdentity identity;
  bool ok = Platform_GetFileIdentity(file, &identity);
  Platform_CloseFile(file);
  if (ok) *size = (static_cast<uint64_t>(identity.sizeHigh) << 32) | identity.sizeLow;
  return ok;
}

bool FileTools_Exists(const std::string& path) {
  std::string full;
  return Platform_FileExists(PathOf(path, &full));
}

bool FileTools_Delete(const std::string& path) {
  std::string full;
  return Platform_DeleteFile(PathOf(path, &full));
}

bool FileTools_Rename(const std::string& from, const std::string& to, bool replace, bool* otherVolume) {
  std::string fullFrom, fullTo;
  uint32_t moved = Platform_MoveFile(PathOf(from, &fullFrom), PathOf(to, &fullTo), replace);
  if (otherVolume != nullptr) *otherVolume = moved == PLATFORM_RENAME_OTHER_VOLUME;
  return moved == PLATFORM_RENAME_DONE;
}

static bool CopyOpenFile(PlatformHandle from, PlatformHandle to) {
  char block[COPY_BLOCK_SIZE];
  for (;;) {
    uint32_t got = 0;
    if (!Platform_ReadFile(from, block, sizeof block, &got)) return false;
    if (got == 0) return Platform_FlushFile(to);
    if (!Platform_WriteFile(to, block, got)) return false;
  }
}

bool FileTools_Copy(const std::string& from, const std::string& to) {
  std::string fullFrom, fullTo;
  PlatformHandle source = nullptr, copy = nullptr;
  if (!Platform_OpenForChecksum(PathOf(from, &fullFrom), &source)) return false;
  bool ok = Platform_CreateNewFile(PathOf(to, &fullTo), &copy);
  if (ok) {
    ok = CopyOpenFile(source, copy);
    if (!ok) Platform_DeleteOpenFile(copy);
    Platform_CloseFile(copy);
  }
  Platform_CloseFile(source);
  return ok;
}

bool FileTools_EndsWith(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char a = text[text.size() - tail.size() + i], b = tail[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

bool FileTools_ListFiles(const std::string& folder, const char* suffix, std::vector<std::string>* names) {
  names->clear();
  PlatformHandle find = nullptr;
  PlatformFindData entry;
  // A drive's root with nothing in it lists nothing at all, not even "." and "..".
  if (!Platform_FindFirst((FileTools_FullPath(folder) + "\\*").c_str(), &find, &entry)) {
    return Platform_LastError() == PLATFORM_ERROR_FILE_NOT_FOUND;
  }
  do {
    if (!(entry.attributes & PLATFORM_ATTR_DIRECTORY) && FileTools_EndsWith(entry.name, suffix)) {
      names->push_back(entry.name);
    }
  } while (Platform_FindNext(find, &entry));
  Platform_FindClose(find);
  return true;
}

static bool ReadOpenFile(PlatformHandle file, std::string* contents, uint64_t limit) {
  contents->clear();
  char block[COPY_BLOCK_SIZE];
  uint32_t got = 0;
  bool ok = true;
  while ((ok = Platform_ReadFile(file, block, sizeof block, &got)) && got != 0) {
    if (contents->size() + got > limit) {
      ok = false;
      break;
    }
    contents->append(block, got);
  }
  return ok;
}

bool FileTools_ReadOwned(const std::string& path, std::string* contents, uint64_t limit, std::string* owner) {
  std::string full;
  PlatformHandle file = nullptr;
  if (owner != nullptr) owner->clear();
  if (!Platform_OpenForChecksum(PathOf(path, &full), &file)) return false;
  char account[PLATFORM_ACCOUNT_SIZE];
  if (owner != nullptr && Platform_GetOpenFileOwner(file, account, sizeof account)) *owner = account;
  bool ok = ReadOpenFile(file, contents, limit);
  Platform_CloseFile(file);
  return ok;
}

bool FileTools_Read(const std::string& path, std::string* contents, uint64_t limit) {
  return FileTools_ReadOwned(path, contents, limit, nullptr);
}

bool FileTools_WriteAtomically(const std::string& path, const std::string& contents) {
  std::string partial = FileTools_FullPath(path) + ".partial";
  Platform_DeleteFile(partial.c_str());  // left by a write that was cut off
  PlatformHandle file = nullptr;
  if (!Platform_CreateNewFile(partial.c_str(), &file)) return false;
  bool ok = Platform_WriteFile(file, contents.data(), static_cast<uint32_t>(contents.size())) &&
            Platform_FlushFile(file);
  if (!ok) Platform_DeleteOpenFile(file);
  Platform_CloseFile(file);
  return ok && FileTools_Rename(partial, path, true);
}

std::string FileTools_Parent(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileTools_CreateFolders(const std::string& given) {
  if (given.empty()) return false;
  std::string path = FileTools_FullPath(given);
  uint32_t attributes = Platform_GetAttributes(path.c_str());
  if (attributes != PLATFORM_ATTR_INVALID) return (attributes & PLATFORM_ATTR_DIRECTORY) != 0;
  std::string parent = FileTools_Parent(path);
  // A drive root ("C:") or a share's root ends the climb.
  if (!parent.empty() && parent.size() > 2 && !FileTools_CreateFolders(parent)) return false;
  return Platform_CreateFolder(path.c_str());
}

std::string FileTools_UtcNow() {
  PlatformTime now;
  Platform_UtcNow(&now);
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  return text;
}

std::string FileTools_LastError() { return "error " + std::to_string(Platform_LastError()); }
