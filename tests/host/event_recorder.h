// The shared recording reporters, and a new recording on an emptied stand-in machine for the host tests.
#pragma once

#include "scan_recorder.h"

// Clears the recording, the stop flags and the stand-in machine.
void StartRecording();
