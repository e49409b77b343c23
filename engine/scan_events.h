// Scan event codes, the reporter callback and the stop flags shared by the engine and its front-ends.
#pragma once

#include <atomic>
#include <cstdint>

struct ThreatSignature;

typedef uint32_t ScanEvent;

enum : ScanEvent {
  SCAN_EV_STARTED = 1034,
  SCAN_EV_PROGRESS = 1044,
  SCAN_EV_PROCESS_KILLED = 1054,
  SCAN_EV_INFECTED_FILE = 1064,
  SCAN_EV_DROPPED_FILE = 1074,
  SCAN_EV_REGISTRY_CLEANED = 1084,
  SCAN_EV_LOG_FILE = 1094,
  SCAN_EV_FINISHED = 1104,
  SCAN_EV_STOPPED = 1114,
};

// text and signature may be null; text is valid only during the call. context is the reporter's own.
typedef void (*ScanReportFunction)(void* context, ScanEvent event, const char* text, const ThreatSignature* signature);

// A front-end's callback with the state it reports into, passed by value down every stage of a scan.
struct ScanReporter {
  ScanReportFunction report;
  void* context;
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

// Reports SCAN_EV_STOPPED unless this run already did, so one run delivers it at most once.
void ScanControl_ReportStop(ScanReporter reporter);
