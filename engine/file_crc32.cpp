// CRC-32 of a whole plain disk file: slicing-by-8 tables built at compile time, 8192-byte blocks, one stack buffer.
#include <cstring>

#include "platform.h"
#include "signatures.h"

namespace {

struct Crc32Tables {
  uint32_t slice[8][256];
};

constexpr Crc32Tables MakeCrc32Tables() {
  Crc32Tables tables{};
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t value = byte;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    tables.slice[0][byte] = value;
  }
  for (uint32_t byte = 0; byte < 256; ++byte) {
    for (int k = 1; k < 8; ++k) {
      uint32_t previous = tables.slice[k - 1][byte];
      tables.slice[k][byte] = (previous >> 8) ^ tables.slice[0][previous & 0xFF];
    }
  }
  return tables;
}

constexpr Crc32Tables CRC32_TABLES = MakeCrc32Tables();
static_assert(CRC32_TABLES.slice[0][1] == 0x77073096u, "reflected CRC-32 table");

const uint32_t CRC32_BLOCK_SIZE = 8192;

}  // namespace

uint32_t Crc32_UpdateBytewise(uint32_t value, const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) value = (value >> 8) ^ CRC32_TABLES.slice[0][(value ^ bytes[i]) & 0xFF];
  return value;
}

uint32_t Crc32_UpdateSliced(uint32_t value, const uint8_t* bytes, size_t count) {
  const auto& t = CRC32_TABLES.slice;
  while (count >= 8) {
    uint32_t low, high;
    std::memcpy(&low, bytes, 4);
    std::memcpy(&high, bytes + 4, 4);
    // Both targets are little-endian; the bytes are combined in file order.
    low ^= value;
    value = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
            t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    bytes += 8;
    count -= 8;
  }
  return Crc32_UpdateBytewise(value, bytes, count);
}

// Folding (engine/crc32_fold.cpp) runs about six times as fast where the processor can; a run with it spends
// little of its time on the checksum.
uint32_t Crc32_Update(uint32_t value, const uint8_t* bytes, size_t count) {
  if (count >= 64 && Crc32_CanFold()) return Crc32_UpdateFolded(value, bytes, count);
  return Crc32_UpdateSliced(value, bytes, count);
}

// Exactly size bytes to their end: a failed read, or a file that grows or shrinks meanwhile, gives no checksum.
bool FileCrc32_ReadExactly(PlatformHandle file, uint64_t size, uint32_t* crc, PlatformHandle copy) {
  uint8_t block[CRC32_BLOCK_SIZE];
  uint32_t value = 0xFFFFFFFFu;
  uint64_t total = 0;
  for (;;) {
    uint32_t got = 0;
    if (!Platform_ReadFile(file, block, sizeof block, &got)) return false;
    if (got == 0) break;
    if (got > size - total) return false;
    if (copy != nullptr && !Platform_WriteFile(copy, block, got)) return false;
    value = Crc32_Update(value, block, got);
    total += got;
  }
  if (total != size) return false;
  *crc = ~value;
  return true;
}

bool FileCrc32_OfOpenFile(PlatformHandle file, uint32_t size, uint32_t* crc) {
  return FileCrc32_ReadExactly(file, size, crc, nullptr);
}

bool FileCrc32_AtMost(const char* path, uint32_t sizeLimit, uint32_t* crc) {
  PlatformHandle file;
  if (!Platform_OpenForChecksum(path, &file)) return false;
  PlatformFileInfo info;
  // Only a plain disk file is read: a read from a device, a pipe or a console may wait without end.
  bool plainFile = Platform_GetOpenFileInfo(file, &info) && info.diskFile && info.sizeHigh == 0;
  bool ok = plainFile && info.sizeLow != 0 && info.sizeLow <= sizeLimit && FileCrc32_OfOpenFile(file, info.sizeLow, crc);
  Platform_CloseFile(file);
  return ok;
}

bool FileCrc32(const char* path, uint32_t* crc) { return FileCrc32_AtMost(path, 0xFFFFFFFFu, crc); }
