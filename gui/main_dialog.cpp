// The main window: Start/Stop with its questions, the end of each run, the scan log's context menu (copy, save),
// the About box, closing.
#include <windows.h>
#include <commdlg.h>
#include <windowsx.h>

#include <cstdio>

#include "admin_check.h"
#include "dialogs.h"
#include "finding_list.h"
#include "gui_reporter.h"
#include "gui_state.h"
#include "log_text.h"
#include "resource.h"
#include "run_report.h"
#include "single_instance.h"

static INT_PTR MainDialog_OnInit(HWND dialog) {
  logMenu = CreatePopupMenu();
  if (logMenu != nullptr) {
    AppendMenuA(logMenu, MF_STRING, IDM_COPY_LOG, "Copy to clipboard");
    AppendMenuA(logMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(logMenu, MF_STRING, IDM_SAVE_LOG, "Save as log");
  }
  guiRun.dialog = dialog;
  guiRun.clock = SystemClock;
  return TRUE;
}

static void MainDialog_StartScan(HWND dialog) {
  guiRun.scan = Scan_Start(ScanReporter{GuiReporter, &guiRun});
  if (guiRun.scan == nullptr) {
    GuiMessage(dialog, "Internal application error", MB_OK | MB_ICONERROR);
    return;
  }
  guiRun.running = true;
}

// The reporter's last word on a run: its thread is ending, so it is waited for and closed, then the
// dialog goes idle and asks about what was found.
static INT_PTR MainDialog_OnRunOver(HWND dialog, ScanEvent closingEvent) {
  if (guiRun.scan != nullptr) {
    Scan_Wait(guiRun.scan);
    Scan_Close(guiRun.scan);
    guiRun.scan = nullptr;
  }
  guiRun.running = false;
  SetWindowTextA(GetDlgItem(dialog, IDC_START_STOP), "&Start");
  SetDlgItemTextA(dialog, IDC_STATUS, closingEvent == SCAN_EV_FINISHED ? "Completed" : "Stopped");
  guiRun.summaryOpen = true;
  GuiSummary(&guiRun);
  guiRun.summaryOpen = false;
  return FALSE;
}

// Ends a message box of this thread owned by the dialog, as if it went unanswered.
static BOOL CALLBACK MainDialog_EndOwnedBox(HWND window, LPARAM dialog) {
  char className[16];
  if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(dialog) && GetClassNameA(window, className, sizeof className) &&
      lstrcmpA(className, "#32770") == 0) {
    EndDialog(window, 0);
  }
  return TRUE;
}

// The administrator question; the library is unloaded whatever the answer.
static bool MainDialog_UserAgreesToStart(HWND dialog) {
  HMODULE advpack = nullptr;
  bool lacksRights = AdminCheck_LacksRights(&advpack);
  if (advpack != nullptr) FreeLibrary(advpack);
  if (!lacksRights) return true;
  return GuiMessage(dialog, RUN_TEXT_ADMIN_QUESTION, MB_YESNO | MB_ICONWARNING) == IDYES;
}

static void MainDialog_OnStartStop(HWND dialog) {
  if (guiRun.running) {
    if (GuiMessage(dialog,
                   "The removal process is currently running. It is recommended that you let the scanner fully "
                   "search your computer. Are you sure you want to cancel?",
                   MB_YESNO | MB_ICONWARNING) == IDYES) {
      ScanControl_RequestStop();
    }
    return;
  }
  if (!MainDialog_UserAgreesToStart(dialog)) return;
  GuiMessage(dialog, "Please close any resource-consuming applications before clicking OK", MB_OK | MB_ICONINFORMATION);
  MainDialog_StartScan(dialog);
}

static void MainDialog_OnAbout(HWND dialog) {
  DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_ABOUT), dialog, AboutDialog_Procedure, 0);
}

static INT_PTR MainDialog_OnCommand(HWND dialog, WORD id, WORD notification) {
  if (notification != BN_CLICKED) return FALSE;
  if (id == IDC_START_STOP) MainDialog_OnStartStop(dialog);
  if (id == IDC_ABOUT) MainDialog_OnAbout(dialog);
  return FALSE;
}

// Both forms go to the clipboard: UTF-16 with the real names, and the ANSI text that readers of CF_TEXT got
// before. A block passes to the clipboard once it is taken; one it did not take is freed here.
static void MainDialog_CopyLog(HWND dialog, HWND scanLog) {
  SIZE_T units = 0;
  HGLOBAL wide = LogText_Build(scanLog, "", &units);
  if (wide == nullptr) return;
  SIZE_T length = 0;
  HGLOBAL ansi = LogText_Ansi(wide, units, &length);
  if (!OpenClipboard(dialog)) {
    GlobalFree(wide);
    if (ansi != nullptr) GlobalFree(ansi);
    return;
  }
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, wide) == nullptr) GlobalFree(wide);
  if (ansi != nullptr && SetClipboardData(CF_TEXT, ansi) == nullptr) GlobalFree(ansi);
  CloseClipboard();
}

// The log's bytes for the file, made before the dialog; GetSaveFileNameW takes any file name.
static void MainDialog_SaveLog(HWND dialog, HWND scanLog) {
  char header[128];
  snprintf(header, sizeof header, "\r\n\r\nLog file dumped by Vexlor Removal Tool\r\n%s\r\n\r\n", PROGRAM_CREDITS);
  SIZE_T units = 0;
  HGLOBAL wide = LogText_Build(scanLog, header, &units);
  if (wide == nullptr) return;
  SIZE_T length = 0;
  HGLOBAL block = LogText_ForFile(wide, units, &length);
  GlobalFree(wide);
  if (block == nullptr) return;

  wchar_t fileName[MAX_PATH] = L"";
  OPENFILENAMEW request;
  ZeroMemory(&request, sizeof request);
  request.lStructSize = sizeof request;
  request.hwndOwner = dialog;
  request.lpstrFilter = L"Log files (*.log)\0*.log\0All files (*.*)\0*.*\0";
  request.lpstrFile = fileName;
  request.nMaxFile = MAX_PATH;
  request.lpstrDefExt = L"log";
  request.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  if (GetSaveFileNameW(&request) && !LogText_WriteFile(fileName, block, length)) {
    GuiMessage(dialog, "The log file could not be saved.", MB_OK | MB_ICONERROR);
  }
  GlobalFree(block);
}

// x and y are signed screen coordinates (monitors left of or above the primary one are negative);
// both -1 is a request from the keyboard, answered at the scan log's top-left corner.
static INT_PTR MainDialog_OnContextMenu(HWND dialog, HWND source, LPARAM position) {
  HWND scanLog = GetDlgItem(dialog, IDC_SCAN_LOG);
  if (source != scanLog || logMenu == nullptr) return FALSE;
  POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (at.x == -1 && at.y == -1) {
    RECT bounds;
    GetWindowRect(scanLog, &bounds);
    at.x = bounds.left;
    at.y = bounds.top;
  }
  UINT item = static_cast<UINT>(
      TrackPopupMenuEx(logMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, scanLog, nullptr));
  if (item == IDM_COPY_LOG) MainDialog_CopyLog(dialog, scanLog);
  if (item == IDM_SAVE_LOG) MainDialog_SaveLog(dialog, scanLog);
  return FALSE;
}

// Closing during a scan ends the program without waiting: the stop request lets the thread end at its next test.
static INT_PTR MainDialog_OnClose(HWND dialog) {
  if (guiRun.running) {
    if (GuiMessage(dialog,
                   "The removal process is currently running. It is recommend that you let the scanner fully search "
                   "your computer. Are you sure you want to close?",
                   MB_YESNO | MB_ICONWARNING) != IDYES) {
      return FALSE;
    }
    ScanControl_RequestStop();
    FindingList_Clear();
  }
  // A close request reaches the window during the end-of-run boxes only as a posted message (the boxes disable
  // it): the open box ends unanswered, which removes nothing, and the program ends.
  if (guiRun.summaryOpen) EnumThreadWindows(GetCurrentThreadId(), MainDialog_EndOwnedBox, reinterpret_cast<LPARAM>(dialog));
  EndDialog(dialog, 0);
  return TRUE;
}

static INT_PTR MainDialog_OnDestroy() {
  SingleInstance_Release(&singleInstanceMutex);
  if (logMenu != nullptr) {
    DestroyMenu(logMenu);
    logMenu = nullptr;
  }
  FindingList_Clear();
  return FALSE;
}

INT_PTR CALLBACK MainDialog_Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return MainDialog_OnInit(dialog);
    case WM_COMMAND:
      return MainDialog_OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CONTEXTMENU:
      return MainDialog_OnContextMenu(dialog, reinterpret_cast<HWND>(wParam), lParam);
    case WM_CLOSE:
      return MainDialog_OnClose(dialog);
    case WM_DESTROY:
      return MainDialog_OnDestroy();
    case WM_APP_RUN_OVER:
      return MainDialog_OnRunOver(dialog, static_cast<ScanEvent>(wParam));
    default:
      return FALSE;
  }
}
