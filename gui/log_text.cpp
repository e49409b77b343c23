// Builds the scan-log text block line by line, checking every allocation, encodes it and writes it as a log file.
#include "log_text.h"

#include <cstring>

enum { LOG_BLOCK_START_UNITS = 128 };

static HGLOBAL FreeAndFail(HGLOBAL block) {
  GlobalFree(block);
  return nullptr;
}

// Grows the block to hold one more line and its "\r\n" after the used units, then appends it.
static HGLOBAL AppendLine(HWND listBox, int index, HGLOBAL block, SIZE_T* used) {
  LRESULT lineLength = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (lineLength == LB_ERR) return FreeAndFail(block);
  HGLOBAL grown = GlobalReAlloc(block, (*used + static_cast<SIZE_T>(lineLength) + 3) * sizeof(wchar_t), GMEM_MOVEABLE);
  if (grown == nullptr) return FreeAndFail(block);
  wchar_t* text = static_cast<wchar_t*>(GlobalLock(grown));
  if (text == nullptr) return FreeAndFail(grown);
  LRESULT copied = SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text + *used));
  if (copied == LB_ERR || copied > lineLength) {
    GlobalUnlock(grown);
    return FreeAndFail(grown);
  }
  std::memcpy(text + *used + copied, L"\r\n", 3 * sizeof(wchar_t));
  *used += static_cast<SIZE_T>(copied) + 2;
  GlobalUnlock(grown);
  return grown;
}

HGLOBAL LogText_Build(HWND listBox, const char* header, SIZE_T* units) {
  LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  if (count == LB_ERR || count <= 0) return nullptr;
  SIZE_T headerLength = std::strlen(header);
  if (headerLength >= LOG_BLOCK_START_UNITS) return nullptr;

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, LOG_BLOCK_START_UNITS * sizeof(wchar_t));
  if (block == nullptr) return nullptr;
  wchar_t* text = static_cast<wchar_t*>(GlobalLock(block));
  if (text == nullptr) return FreeAndFail(block);
  // The header is ASCII.
  for (SIZE_T i = 0; i <= headerLength; ++i) text[i] = static_cast<wchar_t>(header[i]);
  GlobalUnlock(block);

  SIZE_T used = headerLength;
  for (int index = 0; index < count; ++index) {
    block = AppendLine(listBox, index, block, &used);
    if (block == nullptr) return nullptr;
  }
  *units = used;
  return block;
}

// The UTF-16 block converted to codePage in a new block with a NUL after it; prefix bytes come first.
// With spelledOnly, null when the code page cannot spell every character.
static HGLOBAL Encode(HGLOBAL wide, SIZE_T units, UINT codePage, const char* prefix, bool spelledOnly, SIZE_T* length) {
  const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(wide));
  if (text == nullptr) return nullptr;
  // Best-fit look-alikes would show another name: an unspellable character is a "?" (or refuses the code page).
  DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* defaultFlag = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const char* defaultChar = codePage == CP_UTF8 ? nullptr : "?";
  int count = static_cast<int>(units);
  int bytes = units == 0 ? 0 : WideCharToMultiByte(codePage, flags, text, count, nullptr, 0, defaultChar, defaultFlag);
  SIZE_T prefixLength = std::strlen(prefix);
  HGLOBAL block = (units != 0 && bytes == 0) || (spelledOnly && usedDefault)
                      ? nullptr
                      : GlobalAlloc(GMEM_MOVEABLE, prefixLength + static_cast<SIZE_T>(bytes) + 1);
  char* out = block != nullptr ? static_cast<char*>(GlobalLock(block)) : nullptr;
  if (out != nullptr) {
    std::memcpy(out, prefix, prefixLength);
    if (bytes != 0) WideCharToMultiByte(codePage, flags, text, count, out + prefixLength, bytes, defaultChar, nullptr);
    out[prefixLength + static_cast<SIZE_T>(bytes)] = '\0';
    *length = prefixLength + static_cast<SIZE_T>(bytes);
    GlobalUnlock(block);
  } else if (block != nullptr) {
    block = FreeAndFail(block);
  }
  GlobalUnlock(wide);
  return block;
}

HGLOBAL LogText_Ansi(HGLOBAL wide, SIZE_T units, SIZE_T* length) {
  return Encode(wide, units, CP_ACP, "", false, length);
}

HGLOBAL LogText_ForFile(HGLOBAL wide, SIZE_T units, SIZE_T* length) {
  HGLOBAL block = Encode(wide, units, CP_ACP, "", true, length);
  if (block == nullptr) block = Encode(wide, units, CP_UTF8, "\xEF\xBB\xBF", false, length);
  return block;
}

bool LogText_WriteFile(const wchar_t* path, HGLOBAL block, SIZE_T length) {
  const char* text = static_cast<const char*>(GlobalLock(block));
  if (text == nullptr) return false;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    GlobalUnlock(block);
    return false;
  }
  DWORD written = 0;
  bool complete = WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr) && written == length;
  GlobalUnlock(block);
  if (!CloseHandle(file)) complete = false;
  // A cut-off log would look complete to whoever opens it later: remove it instead.
  if (!complete) DeleteFileW(path);
  return complete;
}
