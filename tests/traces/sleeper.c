/* A stand-in for a Vexlor process in the Wine tests: it only waits to be terminated (ten minutes at most). */
#include <windows.h>

int main(void) {
  Sleep(600000);
  return 3;
}
