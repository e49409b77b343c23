/* A stand-in for a Vexlor process in the Wine tests: it only waits to be terminated (ten minutes at most).
   With an argument it first creates that file, so a test can tell when it is running. */
#include <windows.h>

int main(int argc, char** argv) {
  if (argc > 1) {
    HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  }
  Sleep(600000);
  return 3;
}
