// Console output and key reads: one write per line, and a progress line that is always redrawn whole.
#pragma once

#include <cstdint>

enum { PROGRESS_BUFFER_SIZE = 261, PROGRESS_MIN_WIDTH = 4, PROGRESS_FALLBACK_COLUMNS = 80 };

// Gives standard output a full buffer, so each line below reaches the console in one write.
void ConsoleOutput_Init();

// Prints one formatted message and flushes it; a progress line on screen is blanked first.
void ConsoleOutput_Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "Scanning: %s\r" with the text compacted to width characters (terminator included),
// padded so that it covers the previous progress line completely.
void ConsoleOutput_Progress(const char* text, int32_t width);

// The compacted form of a path: at most width - 1 characters, an ellipsis in place of its middle.
void ConsoleOutput_CompactPath(char* compact, int32_t width, const char* path);

// progressWidth from the console window's edges, clamped to the compaction buffer and a few characters;
// without screen-buffer information (output redirected) an 80-column window is assumed.
int32_t ConsoleOutput_ProgressWidth(bool haveWindow, int32_t left, int32_t right);

// Console input without echo or line editing for the whole run (Ctrl+C stays a signal), so a key typed
// just before a prompt reads it is not echoed either; the previous mode is put back by the restore call.
void ConsoleOutput_QuietInput();
void ConsoleOutput_RestoreInput();

// One key from the console without echo or Enter; -1 when there is no console input.
int ConsoleOutput_ReadKey();
