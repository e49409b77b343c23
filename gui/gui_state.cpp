// The windowed program's process-wide variables and its one message-box helper.
#include "gui_state.h"

HANDLE singleInstanceMutex = nullptr;
HINSTANCE programInstance = nullptr;
HWND mainDialog = nullptr;
HMENU logMenu = nullptr;
HFONT aboutTitleFont = nullptr;
std::atomic<HANDLE> scanThread{nullptr};
std::atomic<int32_t> running{0};
int32_t tracesFound = 0;

int GuiMessage(HWND owner, const char* text, UINT type) { return MessageBoxA(owner, text, PROGRAM_TITLE, type); }
