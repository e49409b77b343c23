// The disk as it is: the calling thread's WOW64 file-system redirector turned off for a span of file calls.
#pragma once

#include "platform.h"

struct RealView {
  bool redirectionOff;  // false on a machine without a redirector: there is nothing to restore
  PlatformHandle previous;
};

// From Enter to Leave, on the same thread, System32 is the real one and SysWOW64 is seen once, under its own name.
RealView RealView_Enter();
void RealView_Leave(const RealView& view);
