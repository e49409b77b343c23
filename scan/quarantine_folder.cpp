// The quarantine folder: where it is by default, and its access list (Administrators and SYSTEM only).
#include <windows.h>
#include <shlobj.h>

#include "file_tools.h"
#include "wide_path.h"
#include "platform.h"
#include "quarantine.h"
#include "system_library.h"

typedef HRESULT(WINAPI* GetFolderPathFunction)(HWND, int, HANDLE, DWORD, LPWSTR);

// SHGetFolderPathW of the system's shell32, resolved at run time: the programs import nothing from shell32.
static bool CommonAppData(std::string* base) {
  HMODULE shell = SystemLibrary_Load("shell32.dll");
  if (shell == nullptr) return false;
  GetFolderPathFunction getFolderPath = reinterpret_cast<GetFolderPathFunction>(
      reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathW")));
  wchar_t path[MAX_PATH];
  bool ok = getFolderPath != nullptr &&
            getFolderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK;
  FreeLibrary(shell);
  if (ok) *base = WidePath_Utf8(path);
  return ok && !base->empty();
}

std::string Quarantine_DefaultFolder() {
  std::string folder;
  if (!CommonAppData(&folder)) {
    char windows[PLATFORM_MAX_PATH * 3];
    uint32_t length = Platform_GetWindowsDirectory(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return "C:\\Purgewell\\Quarantine";
    folder = windows;
  }
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + "Purgewell\\Quarantine";
}

std::string Quarantine_Folder(const std::string& chosen) {
  std::string folder = chosen.empty() ? Quarantine_DefaultFolder() : chosen;
  // "D:\" stays a root; "D:\q\" becomes "D:\q".
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

// A protected access list: full control for BUILTIN\Administrators and LocalSystem, inherited by every item.
static bool ProtectFolder(const std::string& folder) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr, system = nullptr;
  bool ok = AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                     &administrators) &&
            AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
  BYTE aclBuffer[256];
  PACL acl = reinterpret_cast<PACL>(aclBuffer);
  const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  ok = ok && InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
       AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, administrators) &&
       AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, system);
  SECURITY_DESCRIPTOR descriptor;
  ok = ok && InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
       SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
       SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
       SetFileSecurityW(WidePath_Of(folder).c_str(), DACL_SECURITY_INFORMATION, &descriptor);
  if (administrators != nullptr) FreeSid(administrators);
  if (system != nullptr) FreeSid(system);
  return ok;
}

bool Quarantine_Prepare(const std::string& folder, std::string* error) {
  if (!FileTools_CreateFolders(folder)) {
    *error = "the quarantine folder " + folder + " cannot be created (" + FileTools_LastError() + ")";
    return false;
  }
  // Where the file system keeps no access lists (FAT), the folder is still used.
  ProtectFolder(folder);
  return true;
}
