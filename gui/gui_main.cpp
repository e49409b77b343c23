// Entry of Purgewell.exe: one instance at a time, the icon-carrying dialog class, then the main dialog.
#include <windows.h>
#include <commctrl.h>

#include "dialogs.h"
#include "gui_state.h"
#include "resource.h"
#include "run_report.h"
#include "single_instance.h"

static const char CLASS_NAME[] = "PurgewellClass";

// The standard dialog class under a name of our own, so the main dialog carries the program icon.
static bool RegisterDialogClass(HINSTANCE instance) {
  WNDCLASSEXA dialogClass;
  ZeroMemory(&dialogClass, sizeof dialogClass);
  dialogClass.cbSize = sizeof dialogClass;
  if (!GetClassInfoExA(nullptr, WC_DIALOG, &dialogClass)) return false;
  dialogClass.hInstance = instance;
  dialogClass.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                    LR_DEFAULTCOLOR));
  dialogClass.lpszClassName = CLASS_NAME;
  if (RegisterClassExA(&dialogClass) == 0) {
    GuiMessage(nullptr, "Internal application failure", MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!SingleInstance_Claim(&singleInstanceMutex)) {
    GuiMessage(nullptr, RUN_TEXT_ALREADY_RUNNING, MB_OK | MB_ICONWARNING);
    return 0;
  }
  // The manifest asks for common controls 6; loading them here makes the dialogs use that version's classes.
  InitCommonControls();
  if (!RegisterDialogClass(instance)) {
    SingleInstance_Release(&singleInstanceMutex);
    return 0;
  }
  programInstance = instance;
  // The main dialog releases the mutex when it is destroyed. Made by the wide call, its controls are wide
  // windows: the scan log and the status line keep names the ANSI code page cannot spell.
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialog_Procedure, 0));
}
