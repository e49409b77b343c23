// The files of one quarantined item, by phase, and the reading of its manifest.
//
// An item's manifest is named after the phase the item reached, and each step from one phase to the next is one
// rename, flushed to the disk:
//   ID.moving.json     the file is being moved in: the original is still in place, or the body is whole
//   ID.json            quarantined: ID.body holds the file's exact bytes
//   ID.restoring.json  being put back: the body is whole, or the original holds the bytes again
//   ID.restored.json   back in place
// Copies being made are ID.body.partial (moving in across volumes) and ORIGINAL.purgewell-restore (putting back
// across volumes); a manifest being written is its name with .partial added.
#pragma once

#include <string>
#include <vector>

#include "quarantine_manifest.h"

enum QuarantinePhase { PHASE_MOVING, PHASE_QUARANTINED, PHASE_RESTORING, PHASE_RESTORED, PHASE_COUNT };

extern const char* const QUARANTINE_PHASE_SUFFIXES[PHASE_COUNT];  // ".moving.json", ".json", ...
extern const char QUARANTINE_BODY_SUFFIX[];                         // ".body"
extern const char QUARANTINE_PARTIAL_SUFFIX[];                      // ".partial"
extern const char QUARANTINE_RESTORE_COPY_SUFFIX[];                 // ".purgewell-restore"

// folder\ID followed by suffix.
std::string QuarantineItem_Path(const std::string& folder, const std::string& id, const char* suffix);
std::string QuarantineItem_ManifestPath(const std::string& folder, const std::string& id, QuarantinePhase phase);
// An id is digits and dashes (20261210-142541-01): nothing that reaches outside the folder.
bool QuarantineItem_IsId(const std::string& id);
// The id and phase a manifest's file name gives; false for any other name.
bool QuarantineItem_ParseName(const std::string& name, std::string* id, QuarantinePhase* phase);

struct QuarantineEntry {
  std::string id;
  QuarantinePhase phase;
};
// Every item with a manifest, in the folder's listing order.
std::vector<QuarantineEntry> QuarantineItem_List(const std::string& folder);
bool QuarantineItem_Read(const std::string& folder, const QuarantineEntry& entry, QuarantineItem* item);
// Moves the item's manifest to another phase's name; false when it could not.
bool QuarantineItem_SetPhase(const std::string& folder, const std::string& id, QuarantinePhase from,
                             QuarantinePhase to);
// Whether path holds a file whose SHA-256 is the item's.
bool QuarantineItem_HoldsBytes(const std::string& path, const QuarantineItem& item);

// Brings an item cut off in the moving or restoring phase to a whole phase, losing nothing: the file ends in
// place, or quarantined with its body. Moving: finished when the body is whole and the original gone (from a
// whole ID.body.partial too), rolled back when the original is still there. Restoring: finished when the
// original holds the bytes, else rolled back to quarantined. Other phases are left as they are. Returns true
// when it changed the item, with what it did in *done (when given).
bool Quarantine_SettleItem(const std::string& folder, const QuarantineEntry& entry, std::string* done);
