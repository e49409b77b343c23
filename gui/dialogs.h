// Dialog procedures of the windowed program: the main window (1000) and the About box (1001).
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainDialog_Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDialog_Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
