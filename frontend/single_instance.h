// The mutex both programs share: whichever holds it first keeps every other copy of either from starting.
#pragma once

#include <windows.h>

// Creates "PurgewellToolMutex", initially owned; false when it already existed (another copy is running).
// *mutex receives the handle either way.
bool SingleInstance_Claim(HANDLE* mutex);

// Releases and closes the mutex and clears *mutex; does nothing when it is already null.
void SingleInstance_Release(HANDLE* mutex);
