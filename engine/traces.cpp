// The system-trace stages: Vexlor processes, its Run value and file, its dropped files and log files.
#include "traces.h"

#include <cstdlib>
#include <cstring>

#include "file_removal.h"
#include "platform.h"
#include "scan_sequence.h"
#include "signatures.h"
#include "text.h"

struct RunEntrySignature {
  const char* valueName;
  const char* command;  // relative to the Windows directory, with its arguments
};

enum { RUN_ENTRY_COUNT = 9, DROPPED_FILE_COUNT = 14, RUN_VALUE_NAME_SIZE = 128 };
// A process image may lie as deep as the wide calls reach.
enum { IMAGE_PATH_SIZE = 3 * PLATFORM_MAX_WIDE_PATH + 1 };

static const RunEntrySignature RunEntryTable[RUN_ENTRY_COUNT] = {
    {"service", "services.exe -serv"},
    {"ICQ Net", "winlogon.exe -stealth"},
    {"Zone Labs Client Ex", "svchost.exe -antivirus service"},
    {"Special Firewall Service", "avguard.exe -av service"},
    {"Antivirus", "maja.exe -antivirus service"},
    {"Tiny AV", "fooding.exe -antivirus service"},
    {"Norton Antivirus AV", "FVProtect.exe"},
    {"SysMonXP", "SysMonXP.exe"},
    {"Jammer2nd", "Jammer2nd.exe"},
};

static const char* const DroppedFileNames[DROPPED_FILE_COUNT] = {
    "base64.tmp", "zip1.tmp",  "zip2.tmp",  "zip3.tmp",  "zipped.tmp",     "firewalllogger.txt",  "zippedbase64.tmp",
    "zipo0.txt",  "zipo1.txt", "zipo2.txt", "zipo3.txt", "pk_zip_alg.log", "fuck_you_vexlor.txt", "uinmzertinmds.opm",
};

static const char LOG_NAME_MARKER[] = "pk_zip";

// Kills the process when its image file is a Vexlor build; one that will not die is reported as a file.
static void CheckProcess(uint32_t processId, ScanReporter reporter) {
  PlatformHandle process;
  if (!Platform_OpenProcess(processId, &process)) return;
  char* imagePath = static_cast<char*>(std::malloc(IMAGE_PATH_SIZE));
  uint32_t crc;
  if (imagePath != nullptr && Platform_GetProcessImagePath(process, imagePath, IMAGE_PATH_SIZE) &&
      FileCrc32(imagePath, &crc)) {
    const ThreatSignature* signature = SignatureTable_Match(crc);
    int32_t actions = reporter.actions;
    if (signature != nullptr && actions != SCAN_ACTIONS_INTERACTIVE) {
      ScanReport(reporter, SCAN_EV_PROCESS_FOUND, imagePath, signature);
    }
    if (signature != nullptr && actions != SCAN_ACTIONS_REPORT_ONLY) {
      if (Platform_TerminateProcess(process)) {
        ScanReport(reporter, SCAN_EV_PROCESS_KILLED, imagePath, signature);
      } else {
        if (actions != SCAN_ACTIONS_INTERACTIVE) ScanReport(reporter, SCAN_EV_PROCESS_NOT_TERMINATED, imagePath, signature);
        ScanReport(reporter, SCAN_EV_INFECTED_FILE, imagePath, signature);
      }
    }
  }
  std::free(imagePath);
  Platform_CloseProcess(process);
}

bool Traces_ProcessSweep(ScanReporter reporter) {
  PlatformHandle snapshot;
  if (!Platform_SnapshotProcesses(&snapshot)) return true;
  PlatformProcessEntry entry;
  for (bool more = Platform_FirstProcess(snapshot, &entry); more; more = Platform_NextProcess(snapshot, &entry)) {
    if (ScanControl_StopRequested()) {
      Platform_CloseSnapshot(snapshot);
      ScanControl_ReportStop(reporter);
      return false;
    }
    CheckProcess(entry.processId, reporter);
    ScanReport(reporter, SCAN_EV_PROGRESS, entry.exeFile, nullptr);
  }
  Platform_CloseSnapshot(snapshot);
  return true;
}

static const RunEntrySignature* MatchRunEntry(const char* name, const char* data) {
  for (int row = 0; row < RUN_ENTRY_COUNT; ++row) {
    if (Text_EqualNoCase(name, RunEntryTable[row].valueName) && Text_EqualNoCase(data, RunEntryTable[row].command)) {
      return &RunEntryTable[row];
    }
  }
  return nullptr;
}

// The file a Run command starts, in the Windows directory. The arguments are cut from the command
// before the join, so a space in the Windows directory is not taken for the start of the arguments.
static bool RunEntryFilePath(char* path, size_t size, const char* windowsDirectory, const char* command) {
  char program[SCAN_PATH_SIZE];
  if (!Text_Copy(program, sizeof program, command)) return false;
  Platform_RemoveArgs(program);
  return Text_JoinPath(path, size, windowsDirectory, program);
}

// Examined and deleted at once, through one handle. A read-only file stays, for the removal at the end of the run.
static void DeleteRunEntryFile(const char* path) {
  ExaminedFile examined;
  if (FileRemoval_Examine(path, &examined)) FileRemoval_Delete(path, &examined, 0);
  FileRemoval_Release(&examined);
}

// Deletes a matching value and its file; true when the value is gone, so the next value now has its index.
static bool RemoveRunEntry(PlatformHandle key, const char* name, const RunEntrySignature* entry,
                           const char* windowsDirectory, ScanReporter reporter) {
  char path[TRACE_PATH_SIZE];
  // A path that does not fit is left alone rather than cut into the name of some other file.
  if (!RunEntryFilePath(path, sizeof path, windowsDirectory, entry->command)) return false;
  // A value whose file is already gone is left in place.
  if (!Platform_FileExists(path)) return false;
  int32_t actions = reporter.actions;
  if (actions != SCAN_ACTIONS_INTERACTIVE) ScanReport(reporter, SCAN_EV_RUN_VALUE_FOUND, name, nullptr);
  if (actions == SCAN_ACTIONS_REPORT_ONLY) {
    ScanReport(reporter, SCAN_EV_DROPPED_FILE, path, nullptr);
    return false;
  }
  bool valueDeleted = Platform_DeleteValue(key, name);
  // Unattended, the file is left to the caller, which may keep it in quarantine.
  if (actions == SCAN_ACTIONS_INTERACTIVE) DeleteRunEntryFile(path);
  if (valueDeleted) ScanReport(reporter, SCAN_EV_REGISTRY_CLEANED, name, nullptr);
  // A file in use or without rights stays: list it for the removal at the end of the run.
  if (Platform_FileExists(path)) ScanReport(reporter, SCAN_EV_DROPPED_FILE, path, nullptr);
  return valueDeleted;
}

// REG_SZ data as a string; false when it holds no terminator within the buffer.
static bool TerminateValueData(uint8_t* data, uint32_t dataSize, uint32_t bufferSize) {
  if (dataSize < bufferSize) {
    data[dataSize] = '\0';
    return true;
  }
  return std::memchr(data, '\0', bufferSize) != nullptr;
}

// Examines every value of one opened Run key and closes it; false when it noticed a stop request.
static bool CleanRunKey(PlatformHandle key, ScanReporter reporter, const char* windowsDirectory) {
  char name[RUN_VALUE_NAME_SIZE];
  uint8_t data[SCAN_PATH_SIZE];
  uint32_t index = 0;
  for (;;) {
    if (ScanControl_StopRequested()) {
      Platform_CloseKey(key);
      ScanControl_ReportStop(reporter);
      return false;
    }
    uint32_t nameLength = sizeof name;
    uint32_t type = 0;
    uint32_t dataSize = sizeof data;
    int32_t result = Platform_EnumValue(key, index, name, &nameLength, &type, data, &dataSize);
    // Only a name or data too long for its buffer concerns one value; any other error (the key was
    // deleted, the handle went bad) would fail at every later index too, so the values end here.
    if (result != PLATFORM_ERROR_SUCCESS && result != PLATFORM_ERROR_MORE_DATA) break;
    bool valueDeleted = false;
    if (result == PLATFORM_ERROR_SUCCESS && type == PLATFORM_REG_SZ && name[0] != '\0' &&
        TerminateValueData(data, dataSize, sizeof data)) {
      const RunEntrySignature* entry = MatchRunEntry(name, reinterpret_cast<const char*>(data));
      if (entry != nullptr) valueDeleted = RemoveRunEntry(key, name, entry, windowsDirectory, reporter);
      ScanReport(reporter, SCAN_EV_PROGRESS, name, nullptr);
    }
    // After a deletion the following value has moved down into this index; examine it next.
    if (!valueDeleted) index += 1;
  }
  Platform_CloseKey(key);
  return true;
}

// 64-bit Windows keeps one Run key for 64-bit programs and one for 32-bit ones, and the malware may
// be started from either; 32-bit Windows has only the first.
static const uint32_t RunKeyViews[] = {PLATFORM_RUN_KEY_NATIVE, PLATFORM_RUN_KEY_32BIT};

bool Traces_RunKeyCleanup(ScanReporter reporter, const char* windowsDirectory) {
  for (uint32_t view : RunKeyViews) {
    PlatformHandle key;
    if (!Platform_OpenRunKey(view, &key)) continue;
    if (!CleanRunKey(key, reporter, windowsDirectory)) return false;
  }
  return true;
}

void Traces_DroppedFileProbe(ScanReporter reporter, const char* windowsDirectory) {
  char path[TRACE_PATH_SIZE];
  for (int i = 0; i < DROPPED_FILE_COUNT; ++i) {
    if (!Text_JoinPath(path, sizeof path, windowsDirectory, DroppedFileNames[i])) continue;
    if (Platform_FileExists(path)) ScanReport(reporter, SCAN_EV_DROPPED_FILE, path, nullptr);
  }
}

// A Vexlor log: "pk_zip" in the name (case matters) and "LOG" after the last dot (case does not).
static bool IsLogFileName(const char* name) {
  if (std::strstr(name, LOG_NAME_MARKER) == nullptr) return false;
  const char* dot = std::strrchr(name, '.');
  return dot != nullptr && Text_EqualNoCase(dot + 1, "LOG");
}

bool Traces_LogFileSearch(ScanReporter reporter, const char* windowsDirectory) {
  char path[TRACE_PATH_SIZE];
  if (!Text_JoinPath(path, sizeof path, windowsDirectory, "*")) return true;
  PlatformFindData entry;
  PlatformHandle find;
  if (!Platform_FindFirst(path, &find, &entry)) return true;
  do {
    if (ScanControl_StopRequested()) {
      Platform_FindClose(find);
      ScanControl_ReportStop(reporter);
      return false;
    }
    if (entry.attributes & PLATFORM_ATTR_DIRECTORY) continue;
    if (!IsLogFileName(entry.name)) continue;
    if (!Text_JoinPath(path, sizeof path, windowsDirectory, entry.name)) continue;
    ScanReport(reporter, SCAN_EV_LOG_FILE, path, nullptr);
  } while (Platform_FindNext(find, &entry));
  Platform_FindClose(find);
  return true;
}
