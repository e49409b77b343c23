// The About box: fixed texts from the template and a bold title font of its own.
#include <windows.h>

#include "dialogs.h"
#include "gui_state.h"
#include "resource.h"

static INT_PTR AboutDialog_OnInit(HWND dialog) {
  LOGFONTA title;
  ZeroMemory(&title, sizeof title);
  title.lfHeight = -10;
  title.lfWeight = FW_BOLD;
  title.lfCharSet = ANSI_CHARSET;
  lstrcpynA(title.lfFaceName, "MS Sans Serif", LF_FACESIZE);
  aboutTitleFont = CreateFontIndirectA(&title);
  if (aboutTitleFont != nullptr) {
    SendDlgItemMessageA(dialog, IDC_ABOUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(aboutTitleFont), TRUE);
  }
  return TRUE;
}

// Only OK closes the box: Esc (IDCANCEL) is deliberately not handled.
static INT_PTR AboutDialog_OnCommand(HWND dialog, WORD id) {
  if (id == IDOK) EndDialog(dialog, 0);
  return FALSE;
}

static INT_PTR AboutDialog_OnClose(HWND dialog) {
  EndDialog(dialog, 0);
  return TRUE;
}

static INT_PTR AboutDialog_OnDestroy() {
  if (aboutTitleFont != nullptr) {
    DeleteObject(aboutTitleFont);
    aboutTitleFont = nullptr;
  }
  return FALSE;
}

INT_PTR CALLBACK AboutDialog_Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return AboutDialog_OnInit(dialog);
    case WM_COMMAND:
      return AboutDialog_OnCommand(dialog, LOWORD(wParam));
    case WM_CLOSE:
      return AboutDialog_OnClose(dialog);
    case WM_DESTROY:
      return AboutDialog_OnDestroy();
    default:
      return FALSE;
  }
}
