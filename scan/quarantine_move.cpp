// Moving a found file into the quarantine, in steps that each leave the original or the body in place.
#include <cstdio>

#include "file_tools.h"
#include "platform.h"
#include "quarantine.h"
#include "quarantine_item.h"

// Whether any file of the item id is in the folder.
static bool IdTaken(const std::string& folder, const std::string& id) {
  for (int phase = 0; phase < PHASE_COUNT; ++phase) {
    if (FileTools_Exists(QuarantineItem_ManifestPath(folder, id, static_cast<QuarantinePhase>(phase)))) return true;
  }
  return FileTools_Exists(QuarantineItem_Path(folder, id, QUARANTINE_BODY_SUFFIX));
}

// A new id from the time, the first free one: 20261210-142541-01.
static std::string NewItemId(const std::string& folder) {
  PlatformTime now;
  Platform_UtcNow(&now);
  for (unsigned sequence = 1; sequence < 100000; ++sequence) {
    char id[40];
    std::snprintf(id, sizeof id, "%04u%02u%02u-%02u%02u%02u-%02u", now.year, now.month, now.day, now.hour,
                  now.minute, now.second, sequence);
    if (!IdTaken(folder, id)) return id;
  }
  return std::string();
}

// Across volumes: a copy beside the body's name, read through the handle that was checked and then checked
// against the manifest's hash, renamed into place, and only then the original deleted through a checked handle.
static bool CopyAcross(const ScanFinding& finding, const std::string& body, std::string* error) {
  const char* original = finding.path.c_str();
  uint32_t options = ScanFinding_RemovalOptions(finding);
  std::string part = body + ".partial";
  FileTools_Delete(part);  // left by a move that was interrupted: the original is still whole
  if (!FileRemoval_CopyTo(original, &finding.examined, options, part.c_str())) {
    std::string reason = FileTools_LastError();
    *error = FileRemoval_StillExamined(original, &finding.examined, options)
                 ? "copy into quarantine failed (" + reason + ")"
                 : "the file is no longer the one found";
    return false;
  }
  if (FileTools_Sha256(part) != finding.sha256 || !FileTools_Rename(part, body, false)) {
    *error = "the copy in quarantine does not match the original";
    FileTools_Delete(part);
    return false;
  }
  if (!FileRemoval_Delete(original, &finding.examined, options)) {
    *error = "copied into quarantine, but the original could not be deleted or is no longer the one found";
    return false;
  }
  return true;
}

// On the same volume the checked handle itself is renamed into the quarantine.
static bool MoveBody(const ScanFinding& finding, const std::string& body, std::string* error) {
  uint32_t moved = FileRemoval_MoveTo(finding.path.c_str(), &finding.examined, ScanFinding_RemovalOptions(finding),
                                      body.c_str());
  switch (moved) {
    case MOVE_DONE: return true;
    case MOVE_OTHER_VOLUME: return CopyAcross(finding, body, error);
    case MOVE_REFUSED: *error = "the file is no longer the one found"; return false;
    case MOVE_UNVERIFIED: *error = "the move did not leave the file found in quarantine"; return false;
    default: *error = "move into quarantine failed (" + FileTools_LastError() + ")"; return false;
  }
}

static QuarantineItem ItemOf(const ScanFinding& finding, const std::string& id, const std::string& machine) {
  QuarantineItem item;
  item.id = id;
  item.originalPath = finding.path;
  item.kind = FINDING_KIND_NAMES[finding.kind];
  item.variant = finding.variant;
  item.size = finding.size;
  item.sha256 = finding.sha256;
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(finding.crc));
  item.crc32 = finding.haveCrc ? crc : "";
  item.quarantined = FileTools_UtcNow();
  item.machine = machine;
  return item;
}

void Quarantine_MoveIn(const std::string& folder, const std::string& machine, ScanFinding* finding) {
  finding->action = "not_quarantined";
  std::string id = NewItemId(folder);
  if (finding->sha256.empty() || !finding->haveSize || id.empty()) {
    finding->error = "the file could not be read before the move";
    return;
  }
  std::string manifest = QuarantineItem_ManifestPath(folder, id, PHASE_MOVING);
  if (!FileTools_WriteAtomically(manifest, QuarantineManifest_Build(ItemOf(*finding, id, machine)))) {
    finding->error = "the manifest could not be written (" + FileTools_LastError() + ")";
    return;
  }
  bool moved = MoveBody(*finding, QuarantineItem_Path(folder, id, QUARANTINE_BODY_SUFFIX), &finding->error);
  // The item ends quarantined, or (when the file did not leave its place) with nothing of it left; an item
  // whose last step was cut off is finished or rolled back the same way by the next run.
  Quarantine_SettleItem(folder, QuarantineEntry{id, PHASE_MOVING}, nullptr);
  if (!moved) return;
  finding->action = "quarantined";
  finding->quarantineId = id;
}
