// Scripted stand-in for the platform: an in-memory machine with drives, files, processes and a Run key,
// failure injection for every operation, and stop requests at chosen calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform.h"

void Fake_Reset();

// The tree. Paths are Windows paths, compared without regard to case; parents are created as needed.
void Fake_AddDrive(const std::string& root, uint32_t type);  // root like "C:\\"
void Fake_AddDirectory(const std::string& path);
// On an existing path the file keeps its identity and last-write time: only contents and attributes change.
void Fake_AddFile(const std::string& path, const std::string& contents, uint32_t attributes = PLATFORM_ATTR_ARCHIVE);
void Fake_AddFileOfSize(const std::string& path, uint32_t size, uint32_t attributes = PLATFORM_ATTR_ARCHIVE);
// A directory link (reparse point) at path that leads to target.
void Fake_AddLink(const std::string& path, const std::string& target);
// An entry that lists as a file but opens as a device (a console, a serial port): never a plain disk file.
void Fake_AddDevice(const std::string& path);
// The directory at path and everything below it are on this volume (a volume mounted in a folder).
void Fake_SetVolume(const std::string& path, uint32_t volume);
// The nth read of the file at path first appends bytes to it: a file that grows while it is read.
void Fake_GrowOnRead(const std::string& path, int nth, const std::string& bytes);
void Fake_RemoveFile(const std::string& path);
// The entry at path is listed under name instead of its own, as Wine lists a Linux name that no Win32 path
// leads back to ("bs\\x.exe"); path stays the only way to it for the Fake_ calls.
void Fake_ListAs(const std::string& path, const std::string& name);
// The entry itself at path (a link's own attributes, not its target's).
void Fake_SetAttributes(const std::string& path, uint32_t attributes);
// A new last-write time for the file at path; nothing else of it changes.
void Fake_Touch(const std::string& path);
// The file now has links names (another name was added or removed elsewhere), and a new change time.
void Fake_SetLinks(const std::string& path, uint32_t links);
// The file's owner as an account name ("CORP\\PC-1$"); files have none until given one.
void Fake_SetOwner(const std::string& path, const std::string& owner);
bool Fake_FileExists(const std::string& path);
uint32_t Fake_Attributes(const std::string& path);
std::string Fake_Contents(const std::string& path);  // "" when there is no file
void Fake_SetWindowsDirectory(const std::string& path);

// The process table. An empty imagePath means the image path cannot be read.
void Fake_AddProcess(uint32_t processId, const std::string& exeFile, const std::string& imagePath);
std::vector<uint32_t> Fake_TerminatedProcesses();
bool Fake_ProcessRunning(uint32_t processId);

// 64-bit Windows: a file-system redirector per thread, on until the thread turns it off, that shows
// <Windows directory>\SysWOW64 under the name <Windows directory>\System32 to the Platform_ file calls
// (the Fake_ calls always see the tree as it is); and a second Run key, the 32-bit programs' view.
void Fake_SetWow64(bool on);
bool Fake_RedirectionOffOnThisThread();

// The Run key in one view. REG_SZ data is stored with its terminator.
void Fake_AddRunValue(const std::string& name, uint32_t type, const std::string& data,
                      uint32_t view = PLATFORM_RUN_KEY_NATIVE);
void Fake_AddRunString(const std::string& name, const std::string& data, uint32_t view = PLATFORM_RUN_KEY_NATIVE);
std::vector<std::string> Fake_RunValueNames(uint32_t view = PLATFORM_RUN_KEY_NATIVE);

// The user is an administrator running with UAC's filtered rights (false after Fake_Reset).
void Fake_SetFilteredAdministrator(bool filtered);

// The CPUs the process may use (1 after Fake_Reset: the walk is serial).
void Fake_SetCpuCount(uint32_t cpus);
// Reads finish out of order: the first read of each opened file waits until a few reads wait together (or a
// moment has passed with no other coming), and the waiting reads then go on newest first.
void Fake_ScrambleReads(bool on);
// The paths whose first read went on, in that order, since Fake_Reset.
std::vector<std::string> Fake_ReadOrder();

// Operations by name, as the Platform_ functions are called without the prefix ("FindFirst", "ReadFile", ...).
// argument matches the call's path, pattern, process id or value index ("" matches any);
// nth counts matching calls from 1 (0: every matching call). A failing CloseFile of a file marked for deletion
// leaves the file in place.
void Fake_Fail(const std::string& operation, const std::string& argument = "", int nth = 0);
// Sets stopRequested when the matching call is made, before it returns.
void Fake_StopAt(const std::string& operation, const std::string& argument = "", int nth = 1);
int Fake_CallCount(const std::string& operation);
// Runs action when the matching call is made, before it does anything: the machine changed mid-operation.
void Fake_BeforeCall(const std::string& operation, std::function<void()> action);
// RenameOpenFile renames what the handle's path leads to at the time of the call, as Wine's does, instead of
// the open file itself (false after Fake_Reset).
void Fake_RenameByOpenPath(bool on);
// A cut: from the call-th platform call on (every operation counted, from 1 since Fake_Reset or Fake_Restart),
// every call fails and changes nothing. After a power cut a file marked for deletion stays; when the process was
// killed (closesHandles), the system closes its handles and such a file goes as its handle is closed.
void Fake_CutAt(int call, bool closesHandles = false);
int Fake_CallsMade();
// The machine starts again after a cut: calls work, counting starts afresh, and failure rules and actions
// before calls are gone.
void Fake_Restart();
// The names in the folder at path, sorted.
std::vector<std::string> Fake_ListFolder(const std::string& path);
// Platform_TickCount's clock (0 after Fake_Reset) moves on by this much.
void Fake_AdvanceTicks(uint32_t milliseconds);
// Listings, files, snapshots, processes and keys still open.
int Fake_OpenHandles();
