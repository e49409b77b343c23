// A hostile comctl32.dll planted beside the windowed program: if it is ever loaded it leaves
// C:\planted-comctl32-loaded. The program must take common controls 6 from the side-by-side store instead.
#include <windows.h>

extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE marker = CreateFileA("C:\\planted-comctl32-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}
