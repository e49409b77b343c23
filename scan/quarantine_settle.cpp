// Finishing or rolling back quarantine items whose move or restore was cut off, and clearing their leftovers.
#include <cstdio>

#include "file_tools.h"
#include "quarantine.h"
#include "quarantine_item.h"

static void Say(std::string* done, const std::string& what) {
  if (done != nullptr) *done = what;
}

// The body is in place; the original's name is free. A whole copy made across volumes becomes the body.
static bool SettleMoving(const std::string& folder, const QuarantineItem& item, std::string* done) {
  std::string body = QuarantineItem_Path(folder, item.id, QUARANTINE_BODY_SUFFIX);
  std::string part = body + QUARANTINE_PARTIAL_SUFFIX;
  bool bodyWhole = QuarantineItem_HoldsBytes(body, item);
  if (FileTools_Exists(body) && !bodyWhole) {
    Say(done, "left as it is: its body does not match its manifest");
    return false;
  }
  bool originalThere = FileTools_Exists(item.originalPath);
  if (!bodyWhole && !originalThere && QuarantineItem_HoldsBytes(part, item)) {
    bodyWhole = FileTools_Rename(part, body, false);
  }
  if (bodyWhole && !originalThere) {
    if (!QuarantineItem_SetPhase(folder, item.id, PHASE_MOVING, PHASE_QUARANTINED)) return false;
    Say(done, "the interrupted move was finished");
    return true;
  }
  // The file never left its place (or is gone from both): nothing of the item is kept. The body goes first,
  // so a cut here leaves a manifest that the next run rolls back the same way.
  if (bodyWhole && !FileTools_Delete(body)) return false;
  FileTools_Delete(part);
  if (!FileTools_Delete(QuarantineItem_ManifestPath(folder, item.id, PHASE_MOVING))) return false;
  Say(done, originalThere ? "the interrupted move was undone: the file is in place"
                          : "the interrupted move was undone: the file was gone before it reached the quarantine");
  return true;
}

static bool SettleRestoring(const std::string& folder, const QuarantineItem& item, std::string* done) {
  std::string body = QuarantineItem_Path(folder, item.id, QUARANTINE_BODY_SUFFIX);
  std::string copy = item.originalPath + QUARANTINE_RESTORE_COPY_SUFFIX;
  if (QuarantineItem_HoldsBytes(item.originalPath, item)) {
    if (FileTools_Exists(body) && !FileTools_Delete(body)) return false;
    FileTools_Delete(copy);
    if (!QuarantineItem_SetPhase(folder, item.id, PHASE_RESTORING, PHASE_RESTORED)) return false;
    Say(done, "the interrupted restore was finished");
    return true;
  }
  FileTools_Delete(copy);
  if (!QuarantineItem_SetPhase(folder, item.id, PHASE_RESTORING, PHASE_QUARANTINED)) return false;
  Say(done, "the interrupted restore was undone: the item is quarantined");
  return true;
}

bool Quarantine_SettleItem(const std::string& folder, const QuarantineEntry& entry, std::string* done) {
  if (entry.phase != PHASE_MOVING && entry.phase != PHASE_RESTORING) return false;
  QuarantineItem item;
  if (!QuarantineItem_Read(folder, entry, &item)) {
    Say(done, "left as it is: its manifest cannot be read");
    return false;
  }
  return entry.phase == PHASE_MOVING ? SettleMoving(folder, item, done) : SettleRestoring(folder, item, done);
}

// A partial manifest is never the only record of anything: its item never began, or the whole one is in place.
// A partial body belongs to a move still being settled, or to none.
static void ClearPartials(const std::string& folder) {
  std::vector<std::string> names;
  FileTools_ListFiles(folder, QUARANTINE_PARTIAL_SUFFIX, &names);
  for (const std::string& name : names) {
    size_t dot = name.find('.');
    std::string id = name.substr(0, dot);
    if (dot == std::string::npos || !QuarantineItem_IsId(id)) continue;
    std::string suffix = name.substr(dot);
    bool body = suffix == std::string(QUARANTINE_BODY_SUFFIX) + QUARANTINE_PARTIAL_SUFFIX;
    if (body && FileTools_Exists(QuarantineItem_ManifestPath(folder, id, PHASE_MOVING))) continue;
    std::string manifestId;
    QuarantinePhase phase;
    std::string whole = name.substr(0, name.size() - std::string(QUARANTINE_PARTIAL_SUFFIX).size());
    bool manifestPart = QuarantineItem_ParseName(whole, &manifestId, &phase);
    if (body || manifestPart) FileTools_Delete(folder + "\\" + name);
  }
}

void Quarantine_Recover(const std::string& folder, bool quiet) {
  for (const QuarantineEntry& entry : QuarantineItem_List(folder)) {
    std::string done;
    Quarantine_SettleItem(folder, entry, &done);
    if (!quiet && !done.empty()) std::fprintf(stderr, "PurgewellScan: %s: %s\n", entry.id.c_str(), done.c_str());
  }
  ClearPartials(folder);
}
