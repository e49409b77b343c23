// A stand-in for Windows' certutil.exe (Wine has none), only for -hashfile FILE SHA256, printed as Windows 7's
// certutil prints it: a heading, the hash's bytes in hex spaced apart, then a status line.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

static bool HashFile(const char* path, BYTE digest[32]) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  bool ok = CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
            CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash);
  BYTE block[16384];
  DWORD got = 0;
  while (ok && (ok = ReadFile(file, block, sizeof block, &got, nullptr) != FALSE) && got != 0) {
    ok = CryptHashData(hash, block, got, 0) != FALSE;
  }
  DWORD size = 32;
  ok = ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == 32;
  if (hash != 0) CryptDestroyHash(hash);
  if (provider != 0) CryptReleaseContext(provider, 0);
  CloseHandle(file);
  return ok;
}

int main(int argc, char** argv) {
  if (argc != 4 || std::strcmp(argv[1], "-hashfile") != 0 || std::strcmp(argv[3], "SHA256") != 0) {
    std::printf("CertUtil: the stand-in knows only -hashfile FILE SHA256\r\n");
    return 1;
  }
  BYTE digest[32];
  if (!HashFile(argv[2], digest)) {
    std::printf("CertUtil: -hashfile command FAILED: 0x80070002 (WIN32: 2 ERROR_FILE_NOT_FOUND)\r\n");
    return 2;
  }
  std::printf("SHA256 hash of file %s:\r\n", argv[2]);
  for (int i = 0; i < 32; ++i) std::printf(i == 0 ? "%02x" : " %02x", digest[i]);
  std::printf("\r\nCertUtil: -hashfile command completed successfully.\r\n");
  return 0;
}
