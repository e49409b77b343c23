// Test helper: appends 4 bytes to any contents so the whole has a chosen CRC-32 (a stand-in Vexlor file).
#pragma once

#include <cstdint>
#include <string>

#include "signatures.h"

inline uint32_t TestCrc32(const std::string& bytes) {
  return ~Crc32_UpdateBytewise(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

inline std::string ForgeCrc32(const std::string& contents, uint32_t wanted) {
  uint32_t table[256];
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  uint32_t state = Crc32_UpdateBytewise(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
  // Run the register back from the wanted final state over four unknown bytes.
  uint32_t back = ~wanted;
  for (int step = 0; step < 4; ++step) {
    uint32_t index = 0;
    while ((table[index] >> 24) != (back >> 24)) ++index;
    back = ((back ^ table[index]) << 8) | index;
  }
  uint32_t tail = back ^ state;
  std::string forged = contents;
  for (int i = 0; i < 4; ++i) forged += static_cast<char>((tail >> (8 * i)) & 0xFF);
  return forged;
}
