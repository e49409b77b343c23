// Listing the quarantine and putting items back: exact bytes, original path, never over a file found there.
#include <cstdio>
#include <vector>

#include "console_text.h"
#include "exit_codes.h"
#include "file_tools.h"
#include "quarantine.h"
#include "quarantine_item.h"

static const char* const PHASE_STATES[PHASE_COUNT] = {"moving", "quarantined", "restoring", "restored"};

static const char* ItemState(const std::string& folder, const QuarantineEntry& entry, const QuarantineItem& item) {
  if (entry.phase != PHASE_QUARANTINED) return PHASE_STATES[entry.phase];
  if (FileTools_Exists(QuarantineItem_Path(folder, entry.id, QUARANTINE_BODY_SUFFIX))) return "quarantined";
  return FileTools_Exists(item.originalPath) ? "in-place" : "missing";
}

int Quarantine_List(const std::string& folder) {
  std::printf("%-22s %-12s %-10s %8s  %s\n", "ID", "STATE", "VARIANT", "SIZE", "ORIGINAL PATH");
  for (const QuarantineEntry& entry : QuarantineItem_List(folder)) {
    QuarantineItem item;
    if (!QuarantineItem_Read(folder, entry, &item)) continue;
    std::printf("%-22s %-12s %-10s %8llu  %s\n", item.id.c_str(), ItemState(folder, entry, item),
                item.variant.empty() ? "-" : item.variant.c_str(), static_cast<unsigned long long>(item.size),
                ConsoleText_Of(item.originalPath).c_str());
  }
  return EXIT_CLEAN;
}

// The body back at the original path; across volumes a verified copy renamed into place, then the body deleted.
static bool PutBack(const std::string& body, const QuarantineItem& item, std::string* error) {
  const std::string& original = item.originalPath;
  bool otherVolume = false;
  if (FileTools_Rename(body, original, false, &otherVolume)) return true;
  if (!otherVolume) {
    *error = "the move back failed (" + FileTools_LastError() + ")";
    return false;
  }
  std::string part = original + QUARANTINE_RESTORE_COPY_SUFFIX;
  FileTools_Delete(part);  // left by a restore that was cut off: the body is still whole
  if (!FileTools_Copy(body, part) || FileTools_Sha256(part) != item.sha256 || !FileTools_Rename(part, original, false)) {
    *error = "the copy back failed (" + FileTools_LastError() + ")";
    FileTools_Delete(part);
    return false;
  }
  FileTools_Delete(body);
  return true;
}

// The manifest of an item back in place is kept as ID.restored.json.
static int CloseItem(const std::string& folder, const QuarantineItem& item, bool quiet) {
  QuarantineItem_SetPhase(folder, item.id, PHASE_RESTORING, PHASE_RESTORED);
  if (!quiet) std::printf("Restored %s: %s\n", item.id.c_str(), ConsoleText_Of(item.originalPath).c_str());
  return EXIT_CLEAN;
}

// Puts back an item already in its restoring phase; returns an exit code.
static int PutItemBack(const std::string& folder, const QuarantineItem& item, bool quiet) {
  std::string body = QuarantineItem_Path(folder, item.id, QUARANTINE_BODY_SUFFIX);
  bool bodyThere = FileTools_Exists(body);
  // The original holds the item's very bytes (put back by hand, or dropped again): a body still in the
  // quarantine is a spare copy. Nothing is lost by closing the item.
  if (QuarantineItem_HoldsBytes(item.originalPath, item)) {
    if (bodyThere) FileTools_Delete(body);
    return CloseItem(folder, item, quiet);
  }
  int code = EXIT_RESTORE_FAILED;
  std::string error;
  if (FileTools_Exists(item.originalPath)) {
    error = "a file exists at " + ConsoleText_Of(item.originalPath);
    code = EXIT_RESTORE_REFUSED;
  } else if (!bodyThere) {
    error = "its body is missing from the quarantine";
  } else if (FileTools_Sha256(body) != item.sha256 || !FileTools_CreateFolders(FileTools_Parent(item.originalPath))) {
    error = "its body does not match its manifest, or its folder cannot be made";
  } else if (PutBack(body, item, &error)) {
    return CloseItem(folder, item, quiet);
  }
  QuarantineItem_SetPhase(folder, item.id, PHASE_RESTORING, PHASE_QUARANTINED);
  std::fprintf(stderr, "PurgewellScan: %s not restored: %s\n", item.id.c_str(), error.c_str());
  return code;
}

// Restores one item; returns an exit code.
static int RestoreItem(const std::string& folder, const std::string& id, bool quiet) {
  QuarantineItem item;
  if (!QuarantineItem_IsId(id) || !QuarantineItem_Read(folder, QuarantineEntry{id, PHASE_QUARANTINED}, &item)) {
    std::fprintf(stderr, "PurgewellScan: no quarantined item %s\n", ConsoleText_Of(id).c_str());
    return EXIT_RESTORE_FAILED;
  }
  if (!QuarantineItem_SetPhase(folder, id, PHASE_QUARANTINED, PHASE_RESTORING)) {
    std::string error = FileTools_LastError();
    std::fprintf(stderr, "PurgewellScan: %s not restored: its manifest cannot be renamed (%s)\n", id.c_str(),
                 error.c_str());
    return EXIT_RESTORE_FAILED;
  }
  return PutItemBack(folder, item, quiet);
}

static bool SameLetters(const std::string& a, const char* b) {
  return a.size() == std::string(b).size() && FileTools_EndsWith(a, b);
}

int Quarantine_Restore(const std::string& folder, const std::string& id, bool quiet) {
  if (!SameLetters(id, "all")) return RestoreItem(folder, id, quiet);
  int worst = EXIT_CLEAN;
  for (const QuarantineEntry& entry : QuarantineItem_List(folder)) {
    if (entry.phase != PHASE_QUARANTINED) continue;
    int code = RestoreItem(folder, entry.id, quiet);
    if (code > worst) worst = code;
  }
  return worst;
}
