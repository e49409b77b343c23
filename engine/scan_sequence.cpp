// ScanThread: start event, the system-trace stages, the drive loop, one closing event; starting and ending it.
#include "scan_sequence.h"

#include <cstring>
#include <new>

#include "platform.h"
#include "real_view.h"
#include "traces.h"
#include "walker.h"

enum { MAX_DRIVE_ROOTS = SCAN_DRIVE_LIST_SIZE / 2 };

static void WalkFixedDrives(ScanReporter reporter) {
  char drives[SCAN_DRIVE_LIST_SIZE + 1];
  std::memset(drives, 0, sizeof drives);
  uint32_t length = Platform_GetLogicalDriveStrings(SCAN_DRIVE_LIST_SIZE, drives);
  // 0 is failure; a longer answer is the size the list would need: walk none rather than a cut list.
  if (length == 0 || length > SCAN_DRIVE_LIST_SIZE) return;

  // Every fixed drive's volume is known before the first walk, so no walk follows a link into another's.
  WalkVolumes volumes;
  volumes.count = 0;
  bool walkRoot[MAX_DRIVE_ROOTS] = {};
  int index = 0;
  for (const char* root = drives; *root != '\0' && index < MAX_DRIVE_ROOTS; root += std::strlen(root) + 1) {
    walkRoot[index++] = Platform_GetDriveType(root) == PLATFORM_DRIVE_FIXED && WalkVolumes_AddRoot(&volumes, root);
  }
  index = 0;
  for (const char* root = drives; *root != '\0' && index < MAX_DRIVE_ROOTS; root += std::strlen(root) + 1) {
    if (ScanControl_StopRequested()) return;
    if (walkRoot[index++]) {
      WalkRequest walk = {root, reporter, &volumes};
      WalkDirectory(&walk);
    }
  }
}

// The front-end's reporter and the scanning thread's view of the disk, for the length of one run.
struct RealViewScan {
  ScanReporter frontEnd;
  RealView view;
};

// The stages' file calls see the disk as it is; the front-end's code (its windows, message boxes and any
// library it loads) runs in the ordinary view, so each report leaves the real one for its length.
static void ReportInOrdinaryView(void* context, ScanEvent event, const char* text, const ThreatSignature* signature) {
  RealViewScan* scan = static_cast<RealViewScan*>(context);
  RealView_Leave(scan->view);
  ScanReport(scan->frontEnd, event, text, signature);
  scan->view = RealView_Enter();
}

static void RunStages(ScanReporter reporter) {
  char windowsDirectory[PLATFORM_NAME_SIZE];
  uint32_t length = Platform_GetWindowsDirectory(windowsDirectory, sizeof windowsDirectory);
  if (length == 0 || length >= sizeof windowsDirectory) windowsDirectory[0] = '\0';

  bool goOn = Traces_ProcessSweep(reporter);
  if (goOn && windowsDirectory[0] != '\0') {
    goOn = Traces_RunKeyCleanup(reporter, windowsDirectory);
    if (goOn) Traces_DroppedFileProbe(reporter, windowsDirectory);
    if (goOn) goOn = Traces_LogFileSearch(reporter, windowsDirectory);
  }
  if (!goOn) return;

  WalkFixedDrives(reporter);

  if (ScanControl_StopRequested()) {
    ScanControl_ReportStop(reporter);
    return;
  }
  ScanReport(reporter, SCAN_EV_FINISHED, nullptr, nullptr);
}

void ScanRun(ScanReporter reporter) {
  ScanReport(reporter, SCAN_EV_STARTED, nullptr, nullptr);
  RealViewScan scan = {reporter, RealView_Enter()};
  RunStages(ScanReporter{ReportInOrdinaryView, &scan, reporter.actions, reporter.excludedFolder});
  RealView_Leave(scan.view);
}

unsigned ScanThread(void* reporter) {
  ScanReporter* copy = static_cast<ScanReporter*>(reporter);
  ScanReporter own = *copy;
  delete copy;
  ScanRun(own);
  return 0;
}

ScanHandle Scan_Start(ScanReporter reporter) {
  ScanControl_Reset();
  ScanReporter* copy = new (std::nothrow) ScanReporter(reporter);
  if (copy == nullptr) return nullptr;
  PlatformHandle thread = Platform_StartThread(ScanThread, copy);
  if (thread == nullptr) delete copy;
  return thread;
}

void Scan_Wait(ScanHandle scan) { Platform_WaitThread(scan); }

void Scan_Close(ScanHandle scan) { Platform_CloseThread(scan); }
