// SHA-256 of a file through CryptoAPI's AES provider (present since XP SP3): the hash is the system's, not ours.
#include <windows.h>
#include <wincrypt.h>

#include "platform.h"

// XP SP3 has SHA-256 in this provider; headers set to XP (5.1) keep the constant behind SP3's NTDDI.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)  // ALG_SID_SHA_256
#endif

enum { HASH_BLOCK_SIZE = 16384 };

static bool HashOpenFile(HANDLE file, HCRYPTHASH hash) {
  BYTE block[HASH_BLOCK_SIZE];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, block, sizeof block, &got, nullptr)) return false;
    if (got == 0) return true;
    if (!CryptHashData(hash, block, got, 0)) return false;
  }
}

// Acquired once and kept for the life of the process: acquiring loads the provider's DLL, which must happen
// while the WOW64 redirector is on (a 32-bit process loads no DLL with it off).
static HCRYPTPROV hashProvider = 0;

bool Platform_Sha256Prepare() {
  if (hashProvider != 0) return true;
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return false;
  hashProvider = provider;
  return true;
}

bool Platform_Sha256OpenFile(PlatformHandle file, uint8_t digest[PLATFORM_SHA256_SIZE]) {
  if (!Platform_Sha256Prepare()) return false;
  HCRYPTHASH hash = 0;
  bool ok = CryptCreateHash(hashProvider, CALG_SHA_256, 0, 0, &hash) && HashOpenFile(file, hash);
  DWORD size = PLATFORM_SHA256_SIZE;
  ok = ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == PLATFORM_SHA256_SIZE;
  if (hash != 0) CryptDestroyHash(hash);
  return ok;
}
