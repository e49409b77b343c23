// The WOW64 calls of kernel32 (absent on 32-bit XP), resolved once at run time, and the redirector of the seam.
#include "platform_win32_wow64.h"

#include <cstring>

#include "platform.h"

typedef BOOL(WINAPI* IsWow64ProcessCall)(HANDLE, PBOOL);
typedef BOOL(WINAPI* DisableRedirectionCall)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionCall)(PVOID);
typedef BOOL(WINAPI* QueryFullImageNameCall)(HANDLE, DWORD, LPWSTR, PDWORD);
typedef UINT(WINAPI* GetWow64DirectoryCall)(LPSTR, UINT);

struct Wow64Calls {
  bool running;
  DisableRedirectionCall disableRedirection;
  RevertRedirectionCall revertRedirection;
  QueryFullImageNameCall queryFullImageName;
  GetWow64DirectoryCall getWow64Directory;
};

// GetProcAddress's untyped result as the call's own type (through void*, as the compiler asks).
template <typename Call>
static Call Resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// kernel32 is loaded in every process, so GetModuleHandle finds it without loading anything.
static Wow64Calls ResolveCalls() {
  Wow64Calls calls = {false, nullptr, nullptr, nullptr, nullptr};
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return calls;
  calls.queryFullImageName = Resolve<QueryFullImageNameCall>(kernel32, "QueryFullProcessImageNameW");
  IsWow64ProcessCall isWow64 = Resolve<IsWow64ProcessCall>(kernel32, "IsWow64Process");
  BOOL wow64 = FALSE;
  if (isWow64 == nullptr || !isWow64(GetCurrentProcess(), &wow64) || !wow64) return calls;
  calls.disableRedirection = Resolve<DisableRedirectionCall>(kernel32, "Wow64DisableWow64FsRedirection");
  calls.revertRedirection = Resolve<RevertRedirectionCall>(kernel32, "Wow64RevertWow64FsRedirection");
  calls.getWow64Directory = Resolve<GetWow64DirectoryCall>(kernel32, "GetSystemWow64DirectoryA");
  calls.running = true;
  return calls;
}

static const Wow64Calls& Calls() {
  static const Wow64Calls calls = ResolveCalls();
  return calls;
}

bool Wow64_Running() { return Calls().running; }

bool Wow64_On64BitWindows() { return sizeof(void*) == 8 || Calls().running; }

bool Wow64_FullImagePath(HANDLE process, wchar_t* path, DWORD size) {
  if (Calls().queryFullImageName == nullptr) return false;
  DWORD length = size;
  return Calls().queryFullImageName(process, 0, path, &length) && length != 0 && length < size;
}

UINT Wow64_SystemDirectory(char* buffer, UINT size) {
  if (!Calls().running) return GetSystemDirectoryA(buffer, size);
  return Calls().getWow64Directory != nullptr ? Calls().getWow64Directory(buffer, size) : 0;
}

bool Wow64_RealPathOf32BitView(char* path, DWORD size) {
  if (!Calls().running) return true;
  char system[MAX_PATH];
  char wow64[MAX_PATH];
  UINT systemLength = GetSystemDirectoryA(system, sizeof system);
  if (systemLength == 0 || systemLength >= sizeof system) return false;
  size_t pathLength = std::strlen(path);
  if (pathLength <= systemLength ||
      CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(systemLength), system,
                     static_cast<int>(systemLength)) != CSTR_EQUAL ||
      path[systemLength] != '\\') {
    return true;  // outside System32 both views name the same file
  }
  UINT wow64Length = Wow64_SystemDirectory(wow64, sizeof wow64);
  if (wow64Length == 0 || wow64Length >= sizeof wow64) return false;
  size_t restLength = pathLength - systemLength;
  if (wow64Length + restLength + 1 > size) return false;
  std::memmove(path + wow64Length, path + systemLength, restLength + 1);
  std::memcpy(path, wow64, wow64Length);
  return true;
}

bool Platform_RedirectionOff(PlatformHandle* previous) {
  if (Calls().disableRedirection == nullptr || Calls().revertRedirection == nullptr) return false;
  PVOID saved = nullptr;
  if (!Calls().disableRedirection(&saved)) return false;
  *previous = saved;
  return true;
}

void Platform_RedirectionRestore(PlatformHandle previous) {
  if (Calls().revertRedirection != nullptr) Calls().revertRedirection(previous);
}
