// Finding another process's visible top-level windows, for the window tests' driver and the benchmark's timer.
#pragma once

#include <windows.h>

// What a window must be: of this process and class; with a title when title is not null; a message box
// (holding the text static 65535) when messageBox is set, whose text begins with boxText when that is not null.
struct WindowWanted {
  DWORD processId;
  const char* className;
  const char* title;
  bool messageBox;
  const char* boxText;
};

// The first such window, or null.
HWND FindWantedWindow(const WindowWanted& wanted);
