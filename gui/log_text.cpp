// Builds the scan-log text block line by line, checking every allocation, and writes it as a log file.
#include "log_text.h"

#include <cstring>

enum { LOG_BLOCK_START_SIZE = 128 };

static HGLOBAL FreeAndFail(HGLOBAL block) {
  GlobalFree(block);
  return nullptr;
}

// Grows the block to hold one more line and its "\r\n" after the used bytes, then appends it.
static HGLOBAL AppendLine(HWND listBox, int index, HGLOBAL block, SIZE_T* used) {
  LRESULT lineLength = SendMessageA(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (lineLength == LB_ERR) return FreeAndFail(block);
  HGLOBAL grown = GlobalReAlloc(block, *used + static_cast<SIZE_T>(lineLength) + 3, GMEM_MOVEABLE);
  if (grown == nullptr) return FreeAndFail(block);
  char* text = static_cast<char*>(GlobalLock(grown));
  if (text == nullptr) return FreeAndFail(grown);
  LRESULT copied = SendMessageA(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text + *used));
  if (copied == LB_ERR || copied > lineLength) {
    GlobalUnlock(grown);
    return FreeAndFail(grown);
  }
  std::memcpy(text + *used + copied, "\r\n", 3);
  *used += static_cast<SIZE_T>(copied) + 2;
  GlobalUnlock(grown);
  return grown;
}

HGLOBAL LogText_Build(HWND listBox, const char* header, SIZE_T* length) {
  LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
  if (count == LB_ERR || count <= 0) return nullptr;
  SIZE_T headerLength = std::strlen(header);
  if (headerLength >= LOG_BLOCK_START_SIZE) return nullptr;

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, LOG_BLOCK_START_SIZE);
  if (block == nullptr) return nullptr;
  char* text = static_cast<char*>(GlobalLock(block));
  if (text == nullptr) return FreeAndFail(block);
  std::memcpy(text, header, headerLength + 1);
  GlobalUnlock(block);

  SIZE_T used = headerLength;
  for (int index = 0; index < count; ++index) {
    block = AppendLine(listBox, index, block, &used);
    if (block == nullptr) return nullptr;
  }
  *length = used;
  return block;
}

bool LogText_WriteFile(const char* path, HGLOBAL block, SIZE_T length) {
  const char* text = static_cast<const char*>(GlobalLock(block));
  if (text == nullptr) return false;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    GlobalUnlock(block);
    return false;
  }
  DWORD written = 0;
  bool complete = WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr) && written == length;
  GlobalUnlock(block);
  if (!CloseHandle(file)) complete = false;
  // A cut-off log would look complete to whoever opens it later: remove it instead.
  if (!complete) DeleteFileA(path);
  return complete;
}
