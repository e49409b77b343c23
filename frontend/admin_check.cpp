// IsNTAdmin from the system directory's ADVPACK.DLL, so a DLL planted beside the tool is never loaded.
#include "admin_check.h"

#include <cstring>

typedef BOOL(WINAPI* IsNTAdminFunction)(DWORD reserved, LPDWORD reservedToo);

static HMODULE LoadSystemAdvpack() {
  char path[MAX_PATH + 16];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  const char name[] = "\\ADVPACK.DLL";
  if (length == 0 || length + sizeof name > sizeof path) return nullptr;
  std::memcpy(path + length, name, sizeof name);
  // A full path loads exactly that file; its own imports are resolved beside it, in the system directory.
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool AdminCheck_LacksRights(HMODULE* library) {
  *library = LoadSystemAdvpack();
  if (*library == nullptr) return false;
  IsNTAdminFunction isNTAdmin = reinterpret_cast<IsNTAdminFunction>(
      reinterpret_cast<void*>(GetProcAddress(*library, "IsNTAdmin")));
  if (isNTAdmin == nullptr) return false;
  return isNTAdmin(0, nullptr) == 0;
}
