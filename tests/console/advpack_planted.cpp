// A hostile ADVPACK.DLL planted beside the program: if it is ever loaded it leaves C:\planted-advpack-loaded.
#include <windows.h>

extern "C" BOOL WINAPI IsNTAdmin(DWORD, LPDWORD) { return FALSE; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE marker = CreateFileA("C:\\planted-advpack-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}
