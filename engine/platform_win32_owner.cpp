// The owner of an open file as an account name, from its security descriptor (GetSecurityInfo, LookupAccountSidW).
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "platform.h"
#include "text.h"

enum { ACCOUNT_PART_SIZE = 256 };

static bool PutUtf8(char* account, uint32_t size, const wchar_t* wide) {
  return Text_FromUtf16(account, size, reinterpret_cast<const uint16_t*>(wide));
}

// DOMAIN\NAME, or the SID's text (S-1-5-21-...) when no account answers to it (a deleted account).
static bool AccountOf(PSID owner, char* account, uint32_t size) {
  wchar_t name[ACCOUNT_PART_SIZE], domain[ACCOUNT_PART_SIZE];
  DWORD nameSize = ACCOUNT_PART_SIZE, domainSize = ACCOUNT_PART_SIZE;
  SID_NAME_USE use;
  if (LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use)) {
    std::wstring whole = domain[0] != L'\0' ? std::wstring(domain) + L"\\" + name : std::wstring(name);
    return PutUtf8(account, size, whole.c_str());
  }
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(owner, &text)) return false;
  bool ok = PutUtf8(account, size, text);
  LocalFree(text);
  return ok;
}

bool Platform_GetOpenFileOwner(PlatformHandle file, char* account, uint32_t size) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = owner != nullptr && AccountOf(owner, account, size);
  LocalFree(descriptor);
  return ok;
}
