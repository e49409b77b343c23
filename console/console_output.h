// Console output and key reads: one write per line, and a progress line that is always redrawn whole.
#pragma once

#include <cstdint>

// Widths count UTF-16 units (terminator included); a compacted text of PROGRESS_WIDTH_LIMIT - 1 units takes at
// most PROGRESS_BUFFER_SIZE bytes as UTF-8.
enum { PROGRESS_WIDTH_LIMIT = 261, PROGRESS_BUFFER_SIZE = 3 * PROGRESS_WIDTH_LIMIT };
enum { PROGRESS_MIN_WIDTH = 4, PROGRESS_FALLBACK_COLUMNS = 80 };

// Gives standard output a full buffer, so each line below reaches the console in one write, and notes
// whether standard output is a console.
void ConsoleOutput_Init();

// Prints one formatted message (UTF-8) and flushes it; a progress line on screen is blanked first.
// On a console the text goes out through the wide console call, so every name shows as it is. Redirected
// output gets the ANSI code page's bytes, as the C runtime writes them: a character that code page cannot
// spell is written as one "?" (never a best-fit look-alike, never part of a multi-byte character).
void ConsoleOutput_Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints "Scanning: %s\r" with the text compacted to width characters (terminator included),
// padded so that it covers the previous progress line completely.
void ConsoleOutput_Progress(const char* text, int32_t width);

// The compacted form of a UTF-8 path into PROGRESS_BUFFER_SIZE bytes: at most width - 1 UTF-16 units, an
// ellipsis in place of its middle; a character of two units is never cut in half.
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
