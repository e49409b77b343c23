// Scan event codes, the reporter callback and the stop flags shared by the engine and its front-ends.
#pragma once

#include <atomic>
#include <cstdint>

struct ThreatSignature;

typedef uint32_t ScanEvent;

enum : ScanEvent {
  SCAN_EV_STARTED = 1034,
  SCAN_EV_PROGRESS = 1044,
  SCAN_EV_PROCESS_KILLED = 1054,  // text: the killed process's image path
  SCAN_EV_INFECTED_FILE = 1064,
  SCAN_EV_DROPPED_FILE = 1074,
  SCAN_EV_REGISTRY_CLEANED = 1084,  // text: the deleted Run value's name
  SCAN_EV_LOG_FILE = 1094,
  SCAN_EV_FINISHED = 1104,
  SCAN_EV_STOPPED = 1114,
  // Sent only in the unattended settings below, so the interactive programs never see them.
  SCAN_EV_PROCESS_FOUND = 1124,          // text: image path; signature: the build; before it is terminated
  SCAN_EV_RUN_VALUE_FOUND = 1134,        // text: the Run value's name; before it is deleted
  SCAN_EV_SKIPPED_TOO_LARGE = 1144,      // text: path of a file over the size limit, not read
  SCAN_EV_SKIPPED_UNREADABLE = 1154,     // text: path of a file that could not be opened or read
  SCAN_EV_SKIPPED_UNLISTABLE = 1164,     // text: path of a directory that could not be listed
  SCAN_EV_SKIPPED_PATH_TOO_LONG = 1174,  // text: the entry's name; its path does not fit
  SCAN_EV_SKIPPED_LINK_LOOP = 1184,      // text: path of a directory link back to an ancestor
  // text: the directory's path and the listed name; a name holding \ or / cannot be joined into a path that
  // leads back to its entry (Wine lists such Linux names, and a damaged volume may hold one)
  SCAN_EV_SKIPPED_UNJOINABLE_NAME = 1194,
  // text: image path of a found process that would not die; its file is then reported as an infected file
  SCAN_EV_PROCESS_NOT_TERMINATED = 1204,
  SCAN_EV_SKIPPED_EXCLUDED = 1214,  // text: path of the scan's excluded folder, which the walk did not enter
};

// What the trace stages may do, set per scan in its reporter. Interactive (the default) is what both interactive
// programs get.
// Report only: nothing is terminated or deleted; each process, Run value and its file that would be acted on is
// reported as found. Unattended: found events first, then the acts, except that the Run value's file is not
// deleted by the stage but reported as a dropped file for the caller to quarantine or delete.
enum : int32_t { SCAN_ACTIONS_INTERACTIVE = 0, SCAN_ACTIONS_REPORT_ONLY = 1, SCAN_ACTIONS_UNATTENDED = 2 };

// text and signature may be null; text is valid only during the call. context is the reporter's own.
typedef void (*ScanReportFunction)(void* context, ScanEvent event, const char* text, const ThreatSignature* signature);

// A front-end's callback with the state it reports into, and what this scan may do, passed by value down every
// stage of the scan: one scan's settings never reach another's.
struct ScanReporter {
  ScanReportFunction report;
  void* context;
  int32_t actions = SCAN_ACTIONS_INTERACTIVE;
  // A folder the walk does not enter (PurgewellScan's quarantine), as a full path without a trailing backslash,
  // compared without regard to case; null for none. It must outlive the scan.
  const char* excludedFolder = nullptr;
};

inline void ScanReport(ScanReporter reporter, ScanEvent event, const char* text, const ThreatSignature* signature) {
  reporter.report(reporter.context, event, text, signature);
}

// Written by the front-end's threads and read by the scanning thread: atomic 32-bit flags.
struct ScanControl {
  std::atomic<int32_t> stopRequested;
  std::atomic<int32_t> stopReported;
};

extern ScanControl scanControl;

// Both flags to 0; done by a front-end before it starts a scan.
void ScanControl_Reset();
void ScanControl_RequestStop();
bool ScanControl_StopRequested();

// Reports a skipped entry (a SCAN_EV_SKIPPED_ event) in the unattended settings only.
void ScanControl_ReportSkip(ScanReporter reporter, ScanEvent event, const char* text);

// Reports SCAN_EV_STOPPED unless this run already did, so one run delivers it at most once.
void ScanControl_ReportStop(ScanReporter reporter);
