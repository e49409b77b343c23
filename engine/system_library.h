// Libraries loaded at run time from the system directory only, never from the program's folder.
#pragma once

#include <windows.h>

// Loads NAME (for example "psapi.dll") by its full path in the system directory, so a DLL of the same name
// planted beside the program or in the current folder is never loaded. Null when it is missing.
HMODULE SystemLibrary_Load(const char* name);
