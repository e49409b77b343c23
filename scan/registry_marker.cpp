// The registry marker: one key of the local machine with three values, written at the end of every scan.
#include "registry_marker.h"

#include <windows.h>

bool RegistryMarker_Write(const std::string& version, const std::string& lastRun, unsigned lastResult) {
  HKEY key;
  // KEY_WOW64_64KEY is ignored by 32-bit Windows and reaches the native view through WOW64.
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Purgewell", 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD result = lastResult;
  bool ok = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                           static_cast<DWORD>(version.size() + 1)) == ERROR_SUCCESS &&
            RegSetValueExA(key, "LastRun", 0, REG_SZ, reinterpret_cast<const BYTE*>(lastRun.c_str()),
                           static_cast<DWORD>(lastRun.size() + 1)) == ERROR_SUCCESS &&
            RegSetValueExA(key, "LastResult", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&result),
                           sizeof result) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}
