// The scan's reporter: every event into the run record; files found twice (by two stages) are listed once.
#include "scan_reporter.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "console_text.h"
#include "wide_path.h"
#include "real_view.h"
#include "scan_record.h"
#include "signatures.h"
#include "text.h"

enum : DWORD { PROGRESS_INTERVAL_MS = 1000 };

bool scanReporterQuiet = false;
std::string scanReporterQuarantine;
static DWORD lastProgressTick = 0;
static bool progressShown = false;
// The process just found, until its own progress event: a kill or a failed kill reported meanwhile is its.
static const size_t NO_PROCESS = static_cast<size_t>(-1);
static size_t processAwaitingResult = NO_PROCESS;  // an index: the list may grow meanwhile

void ScanReporter_Reset() {
  scanRecord = ScanRecord();
  progressShown = false;
  processAwaitingResult = NO_PROCESS;
}

static ScanFinding* LastOfKind(int kind) {
  for (size_t i = scanRecord.findings.size(); i > 0; --i) {
    if (scanRecord.findings[i - 1].kind == kind) return &scanRecord.findings[i - 1];
  }
  return nullptr;
}

// Whether the first length characters of two UTF-8 paths are equal without regard to case, as Windows compares
// names (the whole of a when length is a's own).
static bool SamePathStart(const std::string& a, const std::string& b, size_t length) {
  if (a.size() < length || b.size() < length) return false;
  std::wstring wideA = WidePath_Of(a.substr(0, length)), wideB = WidePath_Of(b.substr(0, length));
  return !wideA.empty() && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, wideA.c_str(), -1, wideB.c_str(), -1) ==
                               CSTR_EQUAL;
}

static ScanFinding* FileFinding(const char* path) {
  std::string wanted = path;
  for (ScanFinding& finding : scanRecord.findings) {
    if (!ScanFinding_IsFile(finding) || finding.path.size() != wanted.size()) continue;
    if (finding.path == wanted || SamePathStart(finding.path, wanted, wanted.size())) return &finding;
  }
  return nullptr;
}

static void AddFinding(int kind, const char* path, const ThreatSignature* signature) {
  ScanFinding finding;
  finding.kind = kind;
  finding.path = path;
  if (signature != nullptr) finding.variant = signature->variantName;
  // Reports come in the ordinary view; the file was found, and will be removed, in the disk's real one.
  if (ScanFinding_IsFile(finding)) {
    RealView view = RealView_Enter();
    FileRemoval_Examine(finding.path.c_str(), &finding.examined);
    RealView_Leave(view);
  }
  scanRecord.findings.push_back(finding);
}

static bool InQuarantine(const char* path) {
  size_t length = scanReporterQuarantine.size();
  return length != 0 && std::strlen(path) > length + 1 && path[length] == '\\' &&
         SamePathStart(path, scanReporterQuarantine, length);
}

static void OnFile(int kind, const char* path, const ThreatSignature* signature) {
  if (InQuarantine(path)) {
    scanRecord.skipped[SKIP_IN_QUARANTINE] += 1;
    return;
  }
  ScanFinding* known = FileFinding(path);
  if (known == nullptr) {
    AddFinding(kind, path, signature);
  } else if (known->variant.empty() && signature != nullptr) {
    known->variant = signature->variantName;
  }
}

// A process that would not die comes back as its image file: the process is marked, the file listed.
static void OnInfectedFile(const char* path, const ThreatSignature* signature) {
  if (processAwaitingResult != NO_PROCESS && scanRecord.findings[processAwaitingResult].path == path) {
    scanRecord.findings[processAwaitingResult].action = "not_terminated";
  }
  OnFile(FINDING_INFECTED_FILE, path, signature);
}

static void OnProcessFound(const char* path, const ThreatSignature* signature) {
  AddFinding(FINDING_PROCESS, path, signature);
  processAwaitingResult = scanRecord.findings.size() - 1;
}

static void OnProcessKilled() {
  if (processAwaitingResult != NO_PROCESS) scanRecord.findings[processAwaitingResult].action = "terminated";
}

static void OnProgress(const char* text) {
  processAwaitingResult = NO_PROCESS;
  scanRecord.examined += 1;
  if (scanReporterQuiet) return;
  DWORD now = GetTickCount();
  if (progressShown && now - lastProgressTick < PROGRESS_INTERVAL_MS) return;
  progressShown = true;
  lastProgressTick = now;
  std::fprintf(stderr, "Scanning (%llu examined): %s\n", static_cast<unsigned long long>(scanRecord.examined),
               ConsoleText_Of(text).c_str());
  std::fflush(stderr);
}

// A drive root lists no "." or "..": an empty one cannot be listed at all, yet nothing on it went unread.
static bool IsEmptyDriveRoot(const char* root) {
  if (std::strlen(root) != 3 || root[1] != ':') return false;
  char pattern[] = {root[0], root[1], root[2], '*', '\0'};
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern, &entry);
  if (find != INVALID_HANDLE_VALUE) {
    FindClose(find);
    return false;
  }
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

static void OnSkipped(int reason, const char* text) {
  bool root = std::strlen(text) == 3 && text[1] == ':';
  if (reason == SKIP_UNLISTABLE_DIRECTORY && root && IsEmptyDriveRoot(text)) return;
  scanRecord.skipped[reason] += 1;
  if (reason == SKIP_TOO_LARGE || reason == SKIP_IN_QUARANTINE) return;
  if (scanRecord.unchecked.size() < UNCHECKED_ENTRIES_LISTED) {
    scanRecord.unchecked.push_back(UncheckedEntry{reason, text});
  } else {
    scanRecord.uncheckedLeftOut += 1;
  }
  // A drive root that cannot be listed means a whole fixed drive went unwalked.
  if (reason == SKIP_UNLISTABLE_DIRECTORY && root) scanRecord.driveUnwalkable = true;
}

static void OnMarked(int kind, const char* action) {
  ScanFinding* finding = LastOfKind(kind);
  if (finding != nullptr && finding->action.empty()) finding->action = action;
}

static void ReportIntoRecord(void*, ScanEvent event, const char* text, const ThreatSignature* signature) {
  // The record keeps the engine's UTF-8 paths as they are: the report, the manifests and the file calls take them.
  const char* path = text != nullptr ? text : "";
  switch (event) {
    case SCAN_EV_PROGRESS: OnProgress(path); break;
    case SCAN_EV_PROCESS_FOUND: OnProcessFound(path, signature); break;
    case SCAN_EV_PROCESS_KILLED: OnProcessKilled(); break;
    case SCAN_EV_RUN_VALUE_FOUND: AddFinding(FINDING_RUN_VALUE, path, nullptr); break;
    case SCAN_EV_REGISTRY_CLEANED: OnMarked(FINDING_RUN_VALUE, "deleted"); break;
    case SCAN_EV_INFECTED_FILE: OnInfectedFile(path, signature); break;
    case SCAN_EV_DROPPED_FILE: OnFile(FINDING_DROPPED_FILE, path, signature); break;
    case SCAN_EV_LOG_FILE: OnFile(FINDING_LOG_FILE, path, signature); break;
    case SCAN_EV_SKIPPED_TOO_LARGE: OnSkipped(SKIP_TOO_LARGE, path); break;
    case SCAN_EV_SKIPPED_UNREADABLE: OnSkipped(SKIP_UNREADABLE, path); break;
    case SCAN_EV_SKIPPED_UNLISTABLE: OnSkipped(SKIP_UNLISTABLE_DIRECTORY, path); break;
    case SCAN_EV_SKIPPED_PATH_TOO_LONG: OnSkipped(SKIP_PATH_TOO_LONG, path); break;
    case SCAN_EV_SKIPPED_LINK_LOOP: OnSkipped(SKIP_LINK_LOOP, path); break;
    case SCAN_EV_SKIPPED_UNJOINABLE_NAME: OnSkipped(SKIP_UNJOINABLE_NAME, path); break;
    case SCAN_EV_FINISHED: scanRecord.finished = true; break;
    case SCAN_EV_STOPPED: scanRecord.stopped = true; break;
    default: break;
  }
}

const ScanReporter scanRecordReporter = {ReportIntoRecord, nullptr};
