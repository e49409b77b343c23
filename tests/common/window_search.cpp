// The top-level window search shared by the window tests' driver and the benchmark's timer.
#include "window_search.h"

#include <cstring>

enum { BOX_TEXT_STATIC = 0xFFFF };

struct WindowSearch {
  const WindowWanted* wanted;
  HWND found;
};

static bool TextIs(HWND window, const char* expected) {
  char text[1024];
  text[0] = '\0';
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  text[sizeof text - 1] = '\0';
  return std::strcmp(text, expected) == 0;
}

static bool BoxTextBegins(HWND window, const char* start) {
  char text[512];
  text[0] = '\0';
  GetDlgItemTextA(window, BOX_TEXT_STATIC, text, sizeof text);
  return std::strncmp(text, start, std::strlen(start)) == 0;
}

static BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
  const WindowWanted& wanted = *search->wanted;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != wanted.processId || !IsWindowVisible(window)) return TRUE;
  char name[64];
  if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpiA(name, wanted.className) != 0) return TRUE;
  if (wanted.title != nullptr && !TextIs(window, wanted.title)) return TRUE;
  if (wanted.messageBox && GetDlgItem(window, BOX_TEXT_STATIC) == nullptr) return TRUE;
  if (wanted.boxText != nullptr && !BoxTextBegins(window, wanted.boxText)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindWantedWindow(const WindowWanted& wanted) {
  WindowSearch search = {&wanted, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
