// The scan log as one text block (for the clipboard or a log file) and the writing of a log file.
#pragma once

#include <windows.h>

// A movable global block holding header, then every line of the list box each ended with "\r\n", then a NUL,
// in UTF-16 (the list box holds the real names). Null when the list box is empty or memory runs out (nothing
// is left allocated); *units excludes the NUL.
HGLOBAL LogText_Build(HWND listBox, const char* header, SIZE_T* units);

// The block in the ANSI code page, each character it cannot spell as "?" (the clipboard's CF_TEXT).
HGLOBAL LogText_Ansi(HGLOBAL wide, SIZE_T units, SIZE_T* length);

// The bytes of a saved log: the ANSI code page, byte for byte the older logs, when it spells every character;
// otherwise UTF-8 after a byte-order mark, so that Notepad shows every name as it is.
HGLOBAL LogText_ForFile(HGLOBAL wide, SIZE_T units, SIZE_T* length);

// Writes the first length bytes of block to path, replacing any file there. On failure no file is left behind.
bool LogText_WriteFile(const wchar_t* path, HGLOBAL block, SIZE_T length);
