// The calling thread's real view of the disk on 64-bit Windows; nothing at all on 32-bit Windows.
#include "real_view.h"

RealView RealView_Enter() {
  RealView view = {false, nullptr};
  view.redirectionOff = Platform_RedirectionOff(&view.previous);
  return view;
}

void RealView_Leave(const RealView& view) {
  if (view.redirectionOff) Platform_RedirectionRestore(view.previous);
}
