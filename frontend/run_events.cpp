// Scan events into the interactive programs' record, refresh and lines, shown through each program's RunShow.
#include "run_events.h"

static void OnTrace(const RunShow& show, void* run, const RunTrack& track, ScanEvent event, const char* text,
                    const ThreatSignature* signature) {
  TraceLine line;
  if (RunReport_MakeTraceLine(&line, event, text, signature)) {
    show.traceLine(run, line.text);
    RunRecord_Note(track.record, event, text);
  }
  RunReport_FreeTraceLine(&line);
}

void RunEvents_Dispatch(const RunShow& show, void* run, const RunTrack& track, ScanEvent event, const char* text,
                        const ThreatSignature* signature) {
  switch (event) {
    case SCAN_EV_STARTED:
      show.started(run);
      RunRecord_Start(track.record);
      ProgressRefresh_Reset(track.refresh);
      break;
    case SCAN_EV_PROGRESS:
      // Every event still arrives; the display is redrawn only when a refresh is due.
      if (text != nullptr && ProgressRefresh_IsDue(track.refresh, track.clock->ticks())) show.progress(run, text);
      break;
    case SCAN_EV_PROCESS_KILLED:
    case SCAN_EV_INFECTED_FILE:
    case SCAN_EV_DROPPED_FILE:
    case SCAN_EV_REGISTRY_CLEANED:
    case SCAN_EV_LOG_FILE:
      OnTrace(show, run, track, event, text, signature);
      break;
    case SCAN_EV_FINISHED:
    case SCAN_EV_STOPPED:
      show.closing(run, event);
      break;
    default:
      break;
  }
}
