// Prints every drive of the machine with the type GetDriveTypeA gives it, to check a bench prefix's drive map.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
  char drives[512];
  std::memset(drives, 0, sizeof drives);
  DWORD length = GetLogicalDriveStringsA(sizeof drives - 1, drives);
  if (length == 0 || length >= sizeof drives) return 1;
  for (const char* root = drives; *root != '\0'; root += std::strlen(root) + 1) {
    std::printf("%s %u\n", root, GetDriveTypeA(root));
  }
  return 0;
}
