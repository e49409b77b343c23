// The catalogue of known Vexlor builds and the whole-file CRC-32 they are recognised by.
#pragma once

#include <cstddef>
#include <cstdint>

struct ThreatSignature {
  const char* variantName;
  uint32_t crc;
};

enum { SIGNATURE_COUNT = 24 };

extern const ThreatSignature SignatureTable[SIGNATURE_COUNT];

// Linear pass over the table in its order; null when no row has this checksum.
const ThreatSignature* SignatureTable_Match(uint32_t crc);

// Standard CRC-32 (IEEE 802.3, reflected 0xEDB88320) of a whole file read in 8192-byte blocks.
// False when the file cannot be opened, is not a plain disk file, is empty, is larger than 4 GiB or than
// sizeLimit, or cannot be read to its end at the size it had when opened: never a partial checksum.
bool FileCrc32_AtMost(const char* path, uint32_t sizeLimit, uint32_t* crc);
bool FileCrc32(const char* path, uint32_t* crc);  // no size limit below 4 GiB
// The same over a file already open and not yet read, which must hold exactly size bytes.
bool FileCrc32_OfOpenFile(void* file, uint32_t size, uint32_t* crc);
// Reads an open file to its end, which must come after exactly size bytes, folding them into crc; each block
// read is also written to copy when it is not null (the caller flushes it).
bool FileCrc32_ReadExactly(void* file, uint64_t size, uint32_t* crc, void* copy);

// Running-value updates, without the initial 0xFFFFFFFF and final complement.
// Crc32_Update folds where the processor has carry-less multiplication (PCLMULQDQ, with SSE2), else slices.
uint32_t Crc32_Update(uint32_t value, const uint8_t* bytes, size_t count);
uint32_t Crc32_UpdateFolded(uint32_t value, const uint8_t* bytes, size_t count);     // only where Crc32_CanFold()
uint32_t Crc32_UpdateSliced(uint32_t value, const uint8_t* bytes, size_t count);     // slicing-by-8
uint32_t Crc32_UpdateBytewise(uint32_t value, const uint8_t* bytes, size_t count);   // one table step a byte
bool Crc32_CanFold();
