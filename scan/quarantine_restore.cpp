// Listing the quarantine and putting items back: exact bytes, original path, never over a file found there.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "console_text.h"
#include "exit_codes.h"
#include "file_tools.h"
#include "quarantine.h"
#include "quarantine_manifest.h"

enum : uint64_t { MANIFEST_SIZE_LIMIT = 1 << 20 };

static const char RESTORED_SUFFIX[] = ".restored.json";

static bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Every item id with a manifest, restored ones included when asked.
static std::vector<std::string> ItemIds(const std::string& folder, bool withRestored) {
  std::vector<std::string> ids, names;
  FileTools_ListFiles(folder, "*.json", &names);
  for (const std::string& name : names) {
    bool restored = EndsWith(name, RESTORED_SUFFIX);
    if (!EndsWith(name, ".json") || (restored && !withRestored)) continue;
    ids.push_back(restored ? name : name.substr(0, name.size() - 5));
  }
  return ids;
}

static bool ReadItem(const std::string& manifestPath, QuarantineItem* item) {
  std::string text;
  return FileTools_Read(manifestPath, &text, MANIFEST_SIZE_LIMIT) && QuarantineManifest_Parse(text, item);
}

static const char* ItemState(const std::string& folder, const std::string& id, const QuarantineItem& item) {
  if (FileTools_Exists(folder + "\\" + id + ".body")) return "quarantined";
  return FileTools_Exists(item.originalPath) ? "in-place" : "missing";
}

int Quarantine_List(const std::string& folder) {
  std::printf("%-22s %-12s %-10s %8s  %s\n", "ID", "STATE", "VARIANT", "SIZE", "ORIGINAL PATH");
  for (const std::string& name : ItemIds(folder, true)) {
    bool restored = EndsWith(name, RESTORED_SUFFIX);
    QuarantineItem item;
    if (!ReadItem(folder + "\\" + name + (restored ? "" : ".json"), &item)) continue;
    const char* state = restored ? "restored" : ItemState(folder, item.id, item);
    std::printf("%-22s %-12s %-10s %8llu  %s\n", item.id.c_str(), state,
                item.variant.empty() ? "-" : item.variant.c_str(), static_cast<unsigned long long>(item.size),
                ConsoleText_Of(item.originalPath).c_str());
  }
  return EXIT_CLEAN;
}

// The body back at the original path; across volumes a verified copy renamed into place, then the body deleted.
static bool PutBack(const std::string& body, const QuarantineItem& item, std::string* error) {
  const std::string& original = item.originalPath;
  if (FileTools_Rename(body, original, false)) return true;
  if (GetLastError() != ERROR_NOT_SAME_DEVICE) {
    *error = "the move back failed (" + FileTools_LastError() + ")";
    return false;
  }
  std::string part = original + ".purgewell-restore";
  FileTools_Delete(part);  // left by a restore that was interrupted: the body is still whole
  bool copied = FileTools_Copy(body, part);
  FileTools_Checkpoint("restore-copied");
  if (!copied || FileTools_Sha256(part) != item.sha256 || !FileTools_Rename(part, original, false)) {
    *error = "the copy back failed (" + FileTools_LastError() + ")";
    FileTools_Delete(part);
    return false;
  }
  FileTools_Checkpoint("restore-placed");
  FileTools_Delete(body);
  return true;
}

// The manifest of an item back in place is kept as ID.restored.json.
static int CloseItem(const std::string& folder, const std::string& id, const QuarantineItem& item, bool quiet) {
  std::string manifest = folder + "\\" + id + ".json";
  FileTools_Rename(manifest, folder + "\\" + id + RESTORED_SUFFIX, true);
  if (!quiet) std::printf("Restored %s: %s\n", id.c_str(), ConsoleText_Of(item.originalPath).c_str());
  return EXIT_CLEAN;
}

// Restores one item; returns an exit code.
static int RestoreItem(const std::string& folder, const std::string& id, bool quiet) {
  std::string manifest = folder + "\\" + id + ".json";
  std::string body = folder + "\\" + id + ".body";
  QuarantineItem item;
  // An id is digits and dashes: nothing that reaches outside the folder.
  if (id.empty() || id.find_first_not_of("0123456789-") != std::string::npos || !ReadItem(manifest, &item)) {
    std::fprintf(stderr, "PurgewellScan: no quarantined item %s\n", ConsoleText_Of(id).c_str());
    return EXIT_RESTORE_FAILED;
  }
  bool bodyThere = FileTools_Exists(body);
  bool originalThere = FileTools_Exists(item.originalPath);
  // A move in or a restore that ended half-way: the original holds the item's very bytes, so a body still
  // in the quarantine is a spare copy. Nothing is lost by closing the item.
  if (originalThere && FileTools_Sha256(item.originalPath) == item.sha256) {
    if (bodyThere) FileTools_Delete(body);
    return CloseItem(folder, id, item, quiet);
  }
  if (originalThere) {
    std::fprintf(stderr, "PurgewellScan: %s not restored: a file exists at %s\n", id.c_str(),
                 ConsoleText_Of(item.originalPath).c_str());
    return EXIT_RESTORE_REFUSED;
  }
  std::string error;
  if (!bodyThere) error = "its body is missing from the quarantine";
  if (bodyThere && (FileTools_Sha256(body) != item.sha256 || !FileTools_CreateFolders(FileTools_Parent(item.originalPath)))) {
    error = "its body does not match its manifest, or its folder cannot be made";
  }
  if (error.empty() && PutBack(body, item, &error)) {
    FileTools_Checkpoint("restore-moved");
    return CloseItem(folder, id, item, quiet);
  }
  std::fprintf(stderr, "PurgewellScan: %s not restored: %s\n", id.c_str(), error.c_str());
  return EXIT_RESTORE_FAILED;
}

int Quarantine_Restore(const std::string& folder, const std::string& id, bool quiet) {
  if (lstrcmpiA(id.c_str(), "all") != 0) return RestoreItem(folder, id, quiet);
  int worst = EXIT_CLEAN;
  for (const std::string& each : ItemIds(folder, false)) {
    int code = RestoreItem(folder, each, quiet);
    if (code > worst) worst = code;
  }
  return worst;
}
