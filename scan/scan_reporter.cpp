// The scan's reporter: every event into the run record, each act paired with the finding it names; files found
// twice (by two stages) are listed once.
#include "scan_reporter.h"

#include <cstdio>
#include <cstring>

#include "console_text.h"
#include "platform.h"
#include "real_view.h"
#include "signatures.h"

// The name as Windows compares names, or the name itself when it cannot be folded.
static std::string Folded(const std::string& name) {
  std::vector<char> folded(name.size() * 3 + 1);
  if (!Platform_FoldCase(name.c_str(), folded.data(), static_cast<uint32_t>(folded.size()))) return name;
  return folded.data();
}

// The finding of this kind that names subject and has no action yet, the latest first.
static ScanFinding* AwaitingAct(ScanRecord* record, int kind, const char* subject) {
  for (size_t i = record->findings.size(); i > 0; --i) {
    ScanFinding& finding = record->findings[i - 1];
    if (finding.kind == kind && finding.action.empty() && finding.path == subject) return &finding;
  }
  return nullptr;
}

static void MarkAct(ScanReporterState* state, int kind, const char* subject, const char* action) {
  ScanFinding* finding = AwaitingAct(state->record, kind, subject);
  if (finding != nullptr) finding->action = action;
}

static void AddFinding(ScanReporterState* state, int kind, const char* path, const ThreatSignature* signature) {
  ScanFinding finding;
  finding.kind = kind;
  finding.path = path;
  if (signature != nullptr) finding.variant = signature->variantName;
  // Reports come in the ordinary view; the file was found, and will be removed, in the disk's real one.
  if (ScanFinding_IsFile(finding)) {
    RealView view = RealView_Enter();
    FileRemoval_Examine(finding.path.c_str(), &finding.examined);
    RealView_Leave(view);
    state->filesByName[Folded(finding.path)] = state->record->findings.size();
  }
  state->record->findings.push_back(finding);
}

static bool InQuarantine(const ScanReporterState* state, const char* path) {
  size_t length = state->quarantine.size();
  return length != 0 && std::strlen(path) > length + 1 && path[length] == '\\' &&
         Folded(std::string(path, length)) == Folded(state->quarantine);
}

static void OnFile(ScanReporterState* state, int kind, const char* path, const ThreatSignature* signature) {
  if (InQuarantine(state, path)) {
    state->record->skipped[SKIP_IN_QUARANTINE] += 1;
    return;
  }
  auto known = state->filesByName.find(Folded(path));
  if (known == state->filesByName.end()) {
    AddFinding(state, kind, path, signature);
    return;
  }
  ScanFinding& finding = state->record->findings[known->second];
  if (finding.variant.empty() && signature != nullptr) finding.variant = signature->variantName;
}

static void OnProgress(ScanReporterState* state, const char* text) {
  state->record->examined += 1;
  if (state->quiet) return;
  if (!ProgressRefresh_IsDue(&state->progress, Platform_TickCount())) return;
  std::fprintf(stderr, "Scanning (%llu examined): %s\n", static_cast<unsigned long long>(state->record->examined),
               ConsoleText_Of(text).c_str());
  std::fflush(stderr);
}

// A drive root lists no "." or "..": an empty one cannot be listed at all, yet nothing on it went unread.
static bool IsEmptyDriveRoot(const char* root) {
  if (std::strlen(root) != 3 || root[1] != ':') return false;
  char pattern[] = {root[0], root[1], root[2], '*', '\0'};
  PlatformHandle find = nullptr;
  PlatformFindData entry;
  if (Platform_FindFirst(pattern, &find, &entry)) {
    Platform_FindClose(find);
    return false;
  }
  return Platform_LastError() == PLATFORM_ERROR_FILE_NOT_FOUND;
}

static void OnSkipped(ScanRecord* record, int reason, const char* text) {
  bool root = std::strlen(text) == 3 && text[1] == ':';
  if (reason == SKIP_UNLISTABLE_DIRECTORY && root && IsEmptyDriveRoot(text)) return;
  record->skipped[reason] += 1;
  if (reason == SKIP_TOO_LARGE || reason == SKIP_IN_QUARANTINE) return;
  if (record->unchecked.size() < UNCHECKED_ENTRIES_LISTED) {
    record->unchecked.push_back(UncheckedEntry{reason, text});
  } else {
    record->uncheckedLeftOut += 1;
  }
  // A drive root that cannot be listed means a whole fixed drive went unwalked.
  if (reason == SKIP_UNLISTABLE_DIRECTORY && root) record->driveUnwalkable = true;
}

// The skip reason of a SCAN_EV_SKIPPED_ event, or -1 for any other event.
static int SkipReasonOf(ScanEvent event) {
  switch (event) {
    case SCAN_EV_SKIPPED_TOO_LARGE: return SKIP_TOO_LARGE;
    case SCAN_EV_SKIPPED_UNREADABLE: return SKIP_UNREADABLE;
    case SCAN_EV_SKIPPED_UNLISTABLE: return SKIP_UNLISTABLE_DIRECTORY;
    case SCAN_EV_SKIPPED_PATH_TOO_LONG: return SKIP_PATH_TOO_LONG;
    case SCAN_EV_SKIPPED_LINK_LOOP: return SKIP_LINK_LOOP;
    case SCAN_EV_SKIPPED_UNJOINABLE_NAME: return SKIP_UNJOINABLE_NAME;
    case SCAN_EV_SKIPPED_EXCLUDED: return SKIP_IN_QUARANTINE;
    default: return -1;
  }
}

static void ReportIntoRecord(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  ScanReporterState* state = static_cast<ScanReporterState*>(context);
  // The record keeps the engine's UTF-8 paths as they are: the report, the manifests and the file calls take them.
  const char* subject = text != nullptr ? text : "";
  switch (event) {
    case SCAN_EV_PROGRESS: OnProgress(state, subject); break;
    case SCAN_EV_PROCESS_FOUND: AddFinding(state, FINDING_PROCESS, subject, signature); break;
    case SCAN_EV_PROCESS_KILLED: MarkAct(state, FINDING_PROCESS, subject, "terminated"); break;
    case SCAN_EV_PROCESS_NOT_TERMINATED: MarkAct(state, FINDING_PROCESS, subject, "not_terminated"); break;
    case SCAN_EV_RUN_VALUE_FOUND: AddFinding(state, FINDING_RUN_VALUE, subject, nullptr); break;
    case SCAN_EV_REGISTRY_CLEANED: MarkAct(state, FINDING_RUN_VALUE, subject, "deleted"); break;
    case SCAN_EV_INFECTED_FILE: OnFile(state, FINDING_INFECTED_FILE, subject, signature); break;
    case SCAN_EV_DROPPED_FILE: OnFile(state, FINDING_DROPPED_FILE, subject, signature); break;
    case SCAN_EV_LOG_FILE: OnFile(state, FINDING_LOG_FILE, subject, signature); break;
    case SCAN_EV_FINISHED: state->record->finished = true; break;
    case SCAN_EV_STOPPED: state->record->stopped = true; break;
    default:
      if (SkipReasonOf(event) >= 0) OnSkipped(state->record, SkipReasonOf(event), subject);
      break;
  }
}

ScanReporter ScanReporter_Start(ScanReporterState* state, ScanRecord* record, bool quiet,
                                const std::string& quarantine) {
  *record = ScanRecord();
  *state = ScanReporterState();
  state->record = record;
  state->quiet = quiet;
  state->quarantine = quarantine;
  ProgressRefresh_ResetEvery(&state->progress, SCAN_PROGRESS_INTERVAL_MS);
  return ScanReporter{ReportIntoRecord, state};
}
