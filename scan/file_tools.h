// File helpers of PurgewellScan: hashes, sizes, whole-file reads, atomic writes, folders, times, the test hook.
#pragma once

#include <cstdint>
#include <string>

// A path of this program's record (ANSI code page) as the engine takes paths, in UTF-8.
std::string FileTools_EnginePath(const std::string& ansi);
// Lower-case hex SHA-256 of the file from the platform; "" when it cannot be read.
std::string FileTools_Sha256(const std::string& path);
bool FileTools_Size(const std::string& path, uint64_t* size);
bool FileTools_Exists(const std::string& path);
// Reads a whole file of at most limit bytes.
bool FileTools_Read(const std::string& path, std::string* contents, uint64_t limit);
// Writes path.partial, flushes it to disk, then renames it over path: a reader sees the old file or the whole
// new one, never half of it.
bool FileTools_WriteAtomically(const std::string& path, const std::string& contents);
// Creates the folder and every missing parent.
bool FileTools_CreateFolders(const std::string& path);
// The folder part of a path ("" when it has none).
std::string FileTools_Parent(const std::string& path);
// Now, in UTC, as 2026-12-10T14:25:41Z.
std::string FileTools_UtcNow();
// Text of the calling thread's last error: "error 5".
std::string FileTools_LastError();
// Test hook: when the environment variable PURGEWELL_TEST_KILL_AT names this step, the process ends at once
// (exit code 99, nothing cleaned up), as a power cut or a killed process would end it.
void FileTools_Checkpoint(const char* step);
