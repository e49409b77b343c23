// PurgewellScan's entry: switches, the shared mutex, and the scan, the quarantine tasks or the roll-up.
#include "scan_main.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "exit_codes.h"
#include "platform.h"
#include "quarantine.h"
#include "real_view.h"
#include "rollup.h"
#include "scan_options.h"
#include "scan_run.h"
#include "single_instance.h"

static HANDLE toolMutex = nullptr;

// The tasks that touch the machine or the quarantine; the caller holds the mutex.
static int RunTask(const ScanOptions& options) {
  std::string folder = Quarantine_Folder(options.quarantineDirectory);
  if (options.task == TASK_SCAN) return ScanRun_Execute(options);
  // The original paths were found in the disk's real view (64-bit Windows): put back and look there too.
  Platform_Sha256Prepare();
  RealView view = RealView_Enter();
  Quarantine_Recover(folder, options.quiet);
  int exitCode = options.task == TASK_LIST ? Quarantine_List(folder)
                                           : Quarantine_Restore(folder, options.restoreId, options.quiet);
  RealView_Leave(view);
  return exitCode;
}

int ScanMain(int argumentCount, const char* const* arguments) {
  ScanOptions options;
  std::string error;
  if (!ScanOptions_Parse(argumentCount, arguments, &options, &error)) {
    std::fprintf(stderr, "PurgewellScan: %s\n\n%s", error.c_str(), SCAN_USAGE);
    return EXIT_BAD_COMMAND_LINE;
  }
  if (options.task == TASK_HELP) {
    std::fputs(SCAN_USAGE, stdout);
    return EXIT_CLEAN;
  }
  // A roll-up only reads reports, often on another machine: it runs beside a scan.
  if (options.task == TASK_ROLLUP) return Rollup_Run(options);
  if (!SingleInstance_Claim(&toolMutex)) {
    std::fprintf(stderr, "PurgewellScan: another copy of Purgewell is running\n");
    ScanRun_WriteNotRunReport(options, EXIT_ALREADY_RUNNING);
    return EXIT_ALREADY_RUNNING;
  }
  int exitCode = RunTask(options);
  std::fflush(stdout);
  SingleInstance_Release(&toolMutex);
  return exitCode;
}
