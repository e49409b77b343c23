// Loading a system DLL by full path: the one way the programs load a library that is not a known DLL.
#include "system_library.h"

#include <cstring>

#include "platform_win32_wow64.h"

HMODULE SystemLibrary_Load(const char* name) {
  char path[MAX_PATH + 32];
  // On 64-bit Windows the 32-bit libraries are in SysWOW64: named so, they load even while the scanning
  // thread has the file-system redirector off.
  UINT length = Wow64_SystemDirectory(path, MAX_PATH);
  size_t nameLength = std::strlen(name);
  if (length == 0 || length >= MAX_PATH || length + 1 + nameLength + 1 > sizeof path) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, name, nameLength + 1);
  // A full path loads exactly that file; its own imports are resolved beside it, in the system directory.
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
