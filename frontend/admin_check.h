// The administrator test both programs make before a scan: IsNTAdmin of the system's ADVPACK.DLL.
#pragma once

#include <windows.h>

// Loads ADVPACK.DLL from the system directory only (never the program's folder or the current directory)
// and calls IsNTAdmin(0, NULL). True only when the function exists and answers 0; a missing library or
// function counts as an administrator. *library receives the loaded module or null, for the caller to keep or free.
bool AdminCheck_LacksRights(HMODULE* library);
