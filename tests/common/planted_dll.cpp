// A hostile DLL planted beside a program, built once for each name it stands in for: if it is ever loaded
// it leaves the file PLANTED_MARKER (a compile definition). Its .def file exports what the programs take
// from the DLL of that name.
#include <windows.h>

extern "C" BOOL WINAPI IsNTAdmin(DWORD, LPDWORD) { return FALSE; }
extern "C" DWORD WINAPI GetModuleFileNameExA(HANDLE, HMODULE, LPSTR, DWORD) { return 0; }
extern "C" void WINAPI InitCommonControls() {}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE marker =
        CreateFileA(PLANTED_MARKER, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}
