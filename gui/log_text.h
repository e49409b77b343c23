// The scan log as one text block (for the clipboard or a log file) and the writing of a log file.
#pragma once

#include <windows.h>

// A movable global block holding header, then every line of the list box each ended with "\r\n", then a NUL.
// Null when the list box is empty or memory runs out (nothing is left allocated); *length excludes the NUL.
HGLOBAL LogText_Build(HWND listBox, const char* header, SIZE_T* length);

// Writes the first length bytes of block to path, replacing any file there. On failure no file is left behind.
bool LogText_WriteFile(const char* path, HGLOBAL block, SIZE_T length);
