// A host test's fresh start: the shared recording cleared and the scripted machine emptied.
#include "event_recorder.h"

#include "fake_platform.h"

void StartRecording() {
  Recording_Clear();
  Recording_SetActions(SCAN_ACTIONS_INTERACTIVE);
  Fake_Reset();
}
