// IsNTAdmin from the system directory's ADVPACK.DLL, so a DLL planted beside the tool is never loaded.
#include "admin_check.h"

#include "system_library.h"

typedef BOOL(WINAPI* IsNTAdminFunction)(DWORD reserved, LPDWORD reservedToo);

bool AdminCheck_LacksRights(HMODULE* library) {
  *library = SystemLibrary_Load("ADVPACK.DLL");
  if (*library == nullptr) return false;
  IsNTAdminFunction isNTAdmin = reinterpret_cast<IsNTAdminFunction>(
      reinterpret_cast<void*>(GetProcAddress(*library, "IsNTAdmin")));
  if (isNTAdmin == nullptr) return false;
  return isNTAdmin(0, nullptr) == 0;
}
