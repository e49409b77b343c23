// Process-wide state of the windowed program, shared by its dialogs (main thread) and its reporter (scanning thread).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "program_text.h"

extern HANDLE singleInstanceMutex;
extern HINSTANCE programInstance;
// Set when the main dialog initialises, before any scan starts; the reporter sends all its output there.
extern HWND mainDialog;
extern HMENU logMenu;
extern HFONT aboutTitleFont;

// The running scan's thread: closed once, by whichever of the reporter and the next Start takes it first.
extern std::atomic<HANDLE> scanThread;
// Set while a scan is in progress; read by the main dialog to choose between Start and cancel.
extern std::atomic<int32_t> running;
// Whether the current run reported any trace; used only on the scanning thread.
extern int32_t tracesFound;

// Message boxes of the program all carry its title.
int GuiMessage(HWND owner, const char* text, UINT type);
