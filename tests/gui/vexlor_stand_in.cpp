// Test stand-in for a running Vexlor process: a program without the C runtime, small enough to be
// checksummed once forged, that only waits until it is terminated.
#include <windows.h>

extern "C" void __stdcall StandInEntry() {
  Sleep(INFINITE);
  ExitProcess(0);
}
