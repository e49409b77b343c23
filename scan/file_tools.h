// File helpers of PurgewellScan: hashes, sizes, whole-file reads, atomic writes, folders, times, the test hook.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Paths are UTF-8, as the engine's, and reach the wide calls in their long form (engine/text.h), so a name
// outside the ANSI code page or a path past MAX_PATH works as any other.
std::wstring FileTools_Wide(const std::string& path);
std::string FileTools_Utf8(const wchar_t* wide);
// Lower-case hex SHA-256 of the file from the platform; "" when it cannot be read.
std::string FileTools_Sha256(const std::string& path);
bool FileTools_Size(const std::string& path, uint64_t* size);
bool FileTools_Exists(const std::string& path);
bool FileTools_Delete(const std::string& path);
// Renames from to to on one volume, never over a file unless replace; flushed to disk before it returns.
bool FileTools_Rename(const std::string& from, const std::string& to, bool replace);
// Copies from into the new file to (never over a file).
bool FileTools_Copy(const std::string& from, const std::string& to);
// The names of the files (not folders) in folder that match pattern ("*.json"); false when the folder cannot
// be listed (a folder with no match gives true and no names).
bool FileTools_ListFiles(const std::string& folder, const char* pattern, std::vector<std::string>* names);
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
// Test hooks. When the environment variable PURGEWELL_TEST_KILL_AT names this step, the process ends at once
// (exit code 99, nothing cleaned up), as a power cut or a killed process would end it. When
// PURGEWELL_TEST_HOLD_AT names it, the process makes the file named by PURGEWELL_TEST_HOLD_FILE and waits until
// that file is gone (at most two minutes), so a test can change the machine at that moment.
void FileTools_Checkpoint(const char* step);
