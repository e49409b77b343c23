// Every stand-in DLL of the tests, built once for each name it stands in for; its .def file exports what the
// programs take from the DLL of that name. Loading it leaves the file PLANTED_MARKER (a compile definition), so a
// copy planted beside a program shows whether it was ever loaded; the ADVPACK.DLL one, installed as the system's,
// answers "not an administrator".
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
