// The unattended scan: Ctrl+C and console close stop it cleanly; files are acted on after the walk.
#include "scan_run.h"

#include <windows.h>

#include <cstdio>

#include "admin_check.h"
#include "console_text.h"
#include "exit_codes.h"
#include "file_tools.h"
#include "json_writer.h"
#include "wide_path.h"
#include "platform.h"
#include "quarantine.h"
#include "real_view.h"
#include "registry_marker.h"
#include "scan_record.h"
#include "scan_report.h"
#include "scan_reporter.h"
#include "scan_sequence.h"
#include "signatures.h"
#include "version.h"

enum : DWORD { CLOSE_GRACE_MS = 4500 };  // Windows ends a closing console's process after about five seconds

static HANDLE runClosed = nullptr;  // set once the report and the marker are written
static HMODULE advpackLibrary = nullptr;

// Every event ends the scan; closing, log-off and shut-down wait for the report first.
static BOOL WINAPI ScanControlHandler(DWORD controlType) {
  ScanControl_RequestStop();
  if (controlType != CTRL_C_EVENT && controlType != CTRL_BREAK_EVENT && runClosed != nullptr) {
    WaitForSingleObject(runClosed, CLOSE_GRACE_MS);
  }
  return TRUE;
}

static std::string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? WidePath_Utf8(name) : std::string();
}

static const char* ModeName(int removal) {
  return removal == REMOVAL_QUARANTINE ? "remove" : removal == REMOVAL_DELETE ? "delete" : "report_only";
}

// Size, checksums and, for files without one, the variant their checksum names. A found file's are taken through
// handles checked to be the file examined when it was found, so they are of the file that will be moved.
static void Describe(ScanFinding* finding) {
  if (finding->kind == FINDING_RUN_VALUE) return;
  if (ScanFinding_IsFile(*finding)) {
    ExaminedFacts facts;
    FileRemoval_Describe(finding->path.c_str(), &finding->examined, &facts);
    finding->haveSize = facts.haveSize;
    finding->size = facts.size;
    finding->haveCrc = facts.haveCrc;
    finding->crc = facts.crc;
    finding->sha256 = facts.haveSha256 ? Json_Hex(std::string(reinterpret_cast<const char*>(facts.sha256),
                                                              sizeof facts.sha256))
                                       : std::string();
  } else {
    finding->haveSize = FileTools_Size(finding->path, &finding->size);
    finding->haveCrc = FileCrc32(finding->path.c_str(), &finding->crc);
    finding->sha256 = FileTools_Sha256(finding->path);
  }
  const ThreatSignature* signature = finding->haveCrc ? SignatureTable_Match(finding->crc) : nullptr;
  if (finding->variant.empty() && signature != nullptr) finding->variant = signature->variantName;
}

static void DeleteFound(ScanFinding* finding) {
  if (FileRemoval_Delete(finding->path.c_str(), &finding->examined, ScanFinding_RemovalOptions(*finding))) {
    finding->action = "deleted";
  } else {
    finding->action = "not_deleted";
    finding->error = "delete failed: the file could not be deleted, or is no longer the one found";
  }
}

static void ActOnFile(const ScanOptions& options, const std::string& folder, const std::string& machine,
                      ScanFinding* finding) {
  if (options.removal == REMOVAL_NONE) {
    finding->action = "would_remove";
  } else if (!scanRecord.finished || scanRecord.stopped) {
    finding->action = "left";
    finding->error = "the run was stopped before removal";
  } else if (options.removal == REMOVAL_DELETE) {
    DeleteFound(finding);
  } else {
    Quarantine_MoveIn(folder, machine, finding);
  }
}

static void ActOnFindings(const ScanOptions& options, const std::string& folder, const std::string& machine) {
  for (ScanFinding& finding : scanRecord.findings) {
    Describe(&finding);
    if (ScanFinding_IsFile(finding)) {
      ActOnFile(options, folder, machine, &finding);
    } else if (finding.action.empty()) {
      bool reportOnly = options.removal == REMOVAL_NONE;
      if (finding.kind == FINDING_PROCESS) finding.action = reportOnly ? "would_terminate" : "not_terminated";
      if (finding.kind == FINDING_RUN_VALUE) finding.action = reportOnly ? "would_delete" : "not_deleted";
    }
  }
}

static void PrintFindings() {
  for (const ScanFinding& finding : scanRecord.findings) {
    std::printf("%s %s %s: %s%s%s\n", FINDING_KIND_NAMES[finding.kind],
                finding.variant.empty() ? "-" : finding.variant.c_str(), ConsoleText_Of(finding.path).c_str(),
                finding.action.c_str(),
                finding.quarantineId.empty() ? "" : " as ", finding.quarantineId.c_str());
  }
}

static bool RunScanThread(ScanReporter reporter) {
  ScanHandle scan = Scan_Start(reporter);
  if (scan == nullptr) return false;
  Scan_Wait(scan);
  Scan_Close(scan);
  return true;
}

// The report file and the marker; returns the exit code.
static int Conclude(const ScanOptions& options, ReportContext* context) {
  context->exitCode = ScanReport_ExitCode(scanRecord);
  int exitCode = context->exitCode;
  if (!options.reportPath.empty() &&
      !FileTools_WriteAtomically(options.reportPath, ScanReport_Build(scanRecord, *context))) {
    std::string error = FileTools_LastError();
    std::fprintf(stderr, "PurgewellScan: the report %s could not be written (%s)\n",
                 ConsoleText_Of(options.reportPath).c_str(), error.c_str());
    exitCode = EXIT_REPORT_FAILED;
  }
  RegistryMarker_Write(PURGEWELL_VERSION_TEXT, scanRecord.ended, static_cast<unsigned>(context->exitCode));
  if (!options.quiet) {
    std::printf("Result: %s (exit code %d), %llu entries examined\n", ScanReport_Outcome(context->exitCode),
                exitCode, static_cast<unsigned long long>(scanRecord.examined));
  }
  return exitCode;
}

static ReportContext MakeContext(const ScanOptions& options, const std::string& folder, bool administrator) {
  ReportContext context;
  context.machine = MachineName();
  context.version = PURGEWELL_VERSION_TEXT;
  context.mode = ModeName(options.removal);
  context.quarantine = options.removal == REMOVAL_QUARANTINE ? folder : "";
  context.administrator = administrator;
  context.note = options.note;
  return context;
}

void ScanRun_WriteNotRunReport(const ScanOptions& options, int exitCode) {
  if (options.reportPath.empty() || options.task != TASK_SCAN) return;
  scanRecord = ScanRecord();
  scanRecord.started = scanRecord.ended = FileTools_UtcNow();
  ReportContext context = MakeContext(options, "", false);
  context.exitCode = exitCode;
  FileTools_WriteAtomically(options.reportPath, ScanReport_Build(scanRecord, context));
}

// Before the scan: rights for the acting modes, a usable quarantine, a report file that can be written.
static int CheckReady(const ScanOptions& options, const std::string& folder, bool administrator) {
  if (options.removal != REMOVAL_NONE && !administrator) {
    std::fprintf(stderr, "PurgewellScan: /remove and /delete need administrator rights\n");
    return EXIT_NO_RIGHTS;
  }
  std::string error;
  if (options.removal == REMOVAL_QUARANTINE && !Quarantine_Prepare(folder, &error)) {
    std::fprintf(stderr, "PurgewellScan: %s\n", ConsoleText_Of(error).c_str());
    return EXIT_QUARANTINE_FAILED;
  }
  if (!options.reportPath.empty() && !FileTools_WriteAtomically(options.reportPath + ".check", "")) {
    std::fprintf(stderr, "PurgewellScan: the report %s cannot be written\n",
                 ConsoleText_Of(options.reportPath).c_str());
    return EXIT_REPORT_FAILED;
  }
  if (!options.reportPath.empty()) FileTools_Delete(options.reportPath + ".check");
  return EXIT_CLEAN;
}

int ScanRun_Execute(const ScanOptions& options) {
  std::string folder = Quarantine_Folder(options.quarantineDirectory);
  bool administrator = !AdminCheck_LacksRights(&advpackLibrary);
  int ready = CheckReady(options, folder, administrator);
  if (ready != EXIT_CLEAN) {
    if (ready != EXIT_REPORT_FAILED) ScanRun_WriteNotRunReport(options, ready);
    return ready;
  }
  Platform_Sha256Prepare();  // no DLL loads in the real view below
  runClosed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(ScanControlHandler, TRUE);
  // Lives as long as the process: the scanning thread reports into it, and a console close may end the run.
  static ScanReporterState reporterState;
  ScanReporter reporter = ScanReporter_Start(&reporterState, &scanRecord, options.quiet, folder);
  reporter.actions = options.removal == REMOVAL_NONE ? SCAN_ACTIONS_REPORT_ONLY : SCAN_ACTIONS_UNATTENDED;
  // The walk does not enter the quarantine: its bodies are the very files moved there.
  reporter.excludedFolder = folder.c_str();
  scanRecord.started = FileTools_UtcNow();
  if (!RunScanThread(reporter)) {
    std::fprintf(stderr, "PurgewellScan: the scanning thread could not be started\n");
    return EXIT_INTERNAL_ERROR;
  }
  ReportContext context = MakeContext(options, folder, administrator);
  // The scan found the paths in the disk's real view (64-bit Windows): hash, move and delete them in it.
  RealView view = RealView_Enter();
  if (options.removal == REMOVAL_QUARANTINE) Quarantine_Recover(folder, options.quiet);
  ActOnFindings(options, folder, context.machine);
  RealView_Leave(view);
  scanRecord.ended = FileTools_UtcNow();
  if (!options.quiet) PrintFindings();
  int exitCode = Conclude(options, &context);
  ScanRecord_Release();
  SetEvent(runClosed);
  return exitCode;
}
