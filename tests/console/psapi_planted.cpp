// A hostile psapi.dll planted beside the program: if it is ever loaded it leaves C:\planted-psapi-loaded.
#include <windows.h>

extern "C" DWORD WINAPI GetModuleFileNameExA(HANDLE, HMODULE, LPSTR, DWORD) { return 0; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE marker = CreateFileA("C:\\planted-psapi-loaded", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}
