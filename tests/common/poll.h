// The one wait loop of the Windows tests: polls a condition until it holds or the limit has passed. Limits only
// end broken runs, so they are generous; no test relies on how long anything takes.
#pragma once

#include <windows.h>

// Polls every 20 ms for at most limitMs (a minute unless given); true as soon as the condition holds.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD limitMs = 60000) {
  for (DWORD waited = 0; waited < limitMs; waited += 20) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}
