// The quarantine: files moved in with a manifest each, listed, and put back byte for byte.
//
// Layout of the folder (quarantine_item.h): a manifest per item, named after the phase the item reached, and
// ID.body, the file's exact bytes under a name no program starts. A move or restore cut off at any point leaves
// the original or the body, never neither, and the next run that touches the quarantine finishes it or rolls it
// back (Quarantine_Recover).
//
// A file is moved in only while its path still leads to the file examined when it was found (identity, folder
// links, checksum: engine/file_removal.h): the checked handle itself is renamed into the folder, or across
// volumes read for the copy, after which the original is deleted through a handle after the same checks.
#pragma once

#include <string>

#include "scan_record.h"

// The default folder: Purgewell\Quarantine in the machine's common application data (the Windows directory
// when the system gives none).
std::string Quarantine_DefaultFolder();
// The folder a run uses: the chosen one without trailing backslashes, or the default when none was chosen.
std::string Quarantine_Folder(const std::string& chosen);
// Creates the folder and its parents; the folder's access list gives Administrators and SYSTEM full control and
// inherits nothing. False with a reason when the folder cannot be created.
bool Quarantine_Prepare(const std::string& folder, std::string* error);
// Moves the finding's file in: manifest first, then a rename of the checked file on the same volume, or across
// volumes a copy read through the checked file and verified against the SHA-256 before the original is deleted.
// Sets the finding's action, error and id.
void Quarantine_MoveIn(const std::string& folder, const std::string& machine, ScanFinding* finding);
// Settles every item whose move or restore was cut off and deletes the partial copies no item needs; says on
// standard error what it did to each item, unless quiet. Every task that touches the quarantine calls it first.
void Quarantine_Recover(const std::string& folder, bool quiet);
// /list: one line per item on standard output. Returns an exit code.
int Quarantine_List(const std::string& folder);
// /restore:ID or /restore:all. Returns an exit code.
int Quarantine_Restore(const std::string& folder, const std::string& id, bool quiet);
