// What the Win32 platform needs to know of 64-bit Windows, from kernel32 calls resolved at run time.
#pragma once

#include <windows.h>

// True when this 32-bit program runs on 64-bit Windows (WOW64); false on 32-bit Windows and XP, and in a
// 64-bit program, which has no WOW64 layer (no redirector: System32 is the real one).
bool Wow64_Running();
// True on 64-bit Windows, whichever kind of program asks: a 64-bit one, or a 32-bit one under WOW64. Such a
// machine keeps two views of the registry's software keys.
bool Wow64_On64BitWindows();
// QueryFullProcessImageNameW (Vista and later): the process's image path as the disk names it.
// False when the call is absent or fails.
bool Wow64_FullImagePath(HANDLE process, wchar_t* path, DWORD size);
// The system directory of 32-bit programs, whatever the calling thread's redirector: SysWOW64 on 64-bit
// Windows, System32 elsewhere. Returns the length as GetSystemDirectoryA does.
UINT Wow64_SystemDirectory(char* buffer, UINT size);
// A path as a 32-bit program's view of the disk names it, turned into the disk's own name: on 64-bit
// Windows a path in the system directory (System32) names a file in SysWOW64. False when it does not fit.
bool Wow64_RealPathOf32BitView(char* path, DWORD size);
