// Quarantine item names by phase, listing the folder's items, and reading their manifests.
#include "quarantine_item.h"

#include "file_tools.h"

enum : uint64_t { MANIFEST_SIZE_LIMIT = 1 << 20 };

const char* const QUARANTINE_PHASE_SUFFIXES[PHASE_COUNT] = {".moving.json", ".json", ".restoring.json",
                                                            ".restored.json"};
const char QUARANTINE_BODY_SUFFIX[] = ".body";
const char QUARANTINE_PARTIAL_SUFFIX[] = ".partial";
const char QUARANTINE_RESTORE_COPY_SUFFIX[] = ".purgewell-restore";

std::string QuarantineItem_Path(const std::string& folder, const std::string& id, const char* suffix) {
  return folder + "\\" + id + suffix;
}

std::string QuarantineItem_ManifestPath(const std::string& folder, const std::string& id, QuarantinePhase phase) {
  return QuarantineItem_Path(folder, id, QUARANTINE_PHASE_SUFFIXES[phase]);
}

bool QuarantineItem_IsId(const std::string& id) {
  return !id.empty() && id.find_first_not_of("0123456789-") == std::string::npos;
}

bool QuarantineItem_ParseName(const std::string& name, std::string* id, QuarantinePhase* phase) {
  size_t dot = name.find('.');
  if (dot == std::string::npos || !QuarantineItem_IsId(name.substr(0, dot))) return false;
  std::string suffix = name.substr(dot);
  for (int each = 0; each < PHASE_COUNT; ++each) {
    if (suffix == QUARANTINE_PHASE_SUFFIXES[each]) {
      *id = name.substr(0, dot);
      *phase = static_cast<QuarantinePhase>(each);
      return true;
    }
  }
  return false;
}

std::vector<QuarantineEntry> QuarantineItem_List(const std::string& folder) {
  std::vector<std::string> names;
  std::vector<QuarantineEntry> entries;
  FileTools_ListFiles(folder, ".json", &names);
  for (const std::string& name : names) {
    QuarantineEntry entry;
    if (QuarantineItem_ParseName(name, &entry.id, &entry.phase)) entries.push_back(entry);
  }
  return entries;
}

bool QuarantineItem_Read(const std::string& folder, const QuarantineEntry& entry, QuarantineItem* item) {
  std::string text;
  return FileTools_Read(QuarantineItem_ManifestPath(folder, entry.id, entry.phase), &text, MANIFEST_SIZE_LIMIT) &&
         QuarantineManifest_Parse(text, item) && item->id == entry.id;
}

bool QuarantineItem_SetPhase(const std::string& folder, const std::string& id, QuarantinePhase from,
                             QuarantinePhase to) {
  return FileTools_Rename(QuarantineItem_ManifestPath(folder, id, from), QuarantineItem_ManifestPath(folder, id, to),
                          to == PHASE_RESTORED);
}

bool QuarantineItem_HoldsBytes(const std::string& path, const QuarantineItem& item) {
  return FileTools_Exists(path) && FileTools_Sha256(path) == item.sha256;
}
