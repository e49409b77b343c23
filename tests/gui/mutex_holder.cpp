// Test helper standing in for another copy of the tool: "hold" keeps "PurgewellToolMutex" until killed;
// "probe" exits with 183 when another program already holds it, else 0.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  HANDLE mutex = CreateMutexA(nullptr, TRUE, "PurgewellToolMutex");
  DWORD error = GetLastError();
  if (argc > 1 && std::strcmp(argv[1], "probe") == 0) return error == ERROR_ALREADY_EXISTS ? 183 : 0;
  if (mutex == nullptr || error == ERROR_ALREADY_EXISTS) return 1;
  Sleep(INFINITE);
  return 0;
}
