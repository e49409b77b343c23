// Test stand-in for the system's ADVPACK.DLL whose IsNTAdmin says "not an administrator".
#include <windows.h>

extern "C" BOOL WINAPI IsNTAdmin(DWORD, LPDWORD) { return FALSE; }
