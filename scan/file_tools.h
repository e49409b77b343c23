// File helpers of PurgewellScan over the platform layer: hashes, sizes, whole-file reads, atomic writes, folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Paths are UTF-8, as the engine's. A relative path, forward slashes, or "." and ".." steps (as a switch may
// give) are first made a full path the ordinary way; any other path is used as it stands.
std::string FileTools_FullPath(const std::string& path);
// Lower-case hex SHA-256 of the file; "" when it cannot be read.
std::string FileTools_Sha256(const std::string& path);
bool FileTools_Size(const std::string& path, uint64_t* size);
bool FileTools_Exists(const std::string& path);
bool FileTools_Delete(const std::string& path);
// Renames from to to, never over a file unless replace; flushed to disk before it returns. otherVolume, when
// given, tells a refusal because to is on another volume from any other failure.
bool FileTools_Rename(const std::string& from, const std::string& to, bool replace, bool* otherVolume = nullptr);
// Copies from into the new file to (never over a file), flushed to disk; a copy that fails is deleted.
bool FileTools_Copy(const std::string& from, const std::string& to);
// The names of the files (not folders) in folder whose names end in suffix, in any case (".json"); false when
// the folder cannot be listed (a folder with no match gives true and no names).
bool FileTools_ListFiles(const std::string& folder, const char* suffix, std::vector<std::string>* names);
// Reads a whole file of at most limit bytes.
bool FileTools_Read(const std::string& path, std::string* contents, uint64_t limit);
// The same, and the owner of the very file read (DOMAIN\NAME; "" when it has none that can be read).
bool FileTools_ReadOwned(const std::string& path, std::string* contents, uint64_t limit, std::string* owner);
// Writes path.partial, flushes it to disk, then renames it over path: a reader sees the old file or the whole
// new one, never half of it.
bool FileTools_WriteAtomically(const std::string& path, const std::string& contents);
// Creates the folder and every missing parent.
bool FileTools_CreateFolders(const std::string& path);
// The folder part of a path ("" when it has none).
std::string FileTools_Parent(const std::string& path);
// Whether text ends in tail, letters compared without regard to case (ASCII).
bool FileTools_EndsWith(const std::string& text, const std::string& tail);
// Now, in UTC, as 2026-12-10T14:25:41Z.
std::string FileTools_UtcNow();
// Text of the calling thread's last error: "error 5".
std::string FileTools_LastError();
