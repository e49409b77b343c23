// Test stand-in for the system's ADVPACK.DLL whose IsNTAdmin answers 0: the user is not an administrator.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI IsNTAdmin(DWORD, LPDWORD) { return FALSE; }
