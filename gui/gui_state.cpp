// The windowed program's process-wide variables and its one message-box helper.
#include "gui_state.h"

HANDLE singleInstanceMutex = nullptr;
HINSTANCE programInstance = nullptr;
HMENU logMenu = nullptr;
HFONT aboutTitleFont = nullptr;
GuiRun guiRun;

int GuiMessage(HWND owner, const char* text, UINT type) { return MessageBoxA(owner, text, PROGRAM_TITLE, type); }
