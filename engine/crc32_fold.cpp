// CRC-32 by folding with carry-less multiplication (PCLMULQDQ): 64 bytes a step, for the processors that have it.
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>

#include <atomic>

#include "signatures.h"

namespace {

// Folding a 128-bit lane forward by D bits multiplies its halves by x^(D+32) and x^(D-32) modulo the CRC-32
// polynomial; here those remainders bit-reflected, as the reflected CRC needs them, and shifted left by one.
const uint64_t FOLD_512_LOW = 0x154442BD4ull;   // four lanes: D = 512
const uint64_t FOLD_512_HIGH = 0x1C6E41596ull;
const uint64_t FOLD_128_LOW = 0x1751997D0ull;   // one lane: D = 128
const uint64_t FOLD_128_HIGH = 0x0CCAA009Eull;

// 0 not asked yet, 1 no, 2 yes: the processor's answer never changes, so a race only asks twice.
std::atomic<int32_t> canFold{0};

}  // namespace

#define PURGEWELL_FOLD_TARGET __attribute__((target("sse2,pclmul")))

PURGEWELL_FOLD_TARGET static inline __m128i Load(const uint8_t* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// The lane moved forward by the distance the factors stand for, added to the lane that is there.
PURGEWELL_FOLD_TARGET static inline __m128i Fold(__m128i lane, __m128i factors, __m128i next) {
  __m128i low = _mm_clmulepi64_si128(lane, factors, 0x00);
  __m128i high = _mm_clmulepi64_si128(lane, factors, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

bool Crc32_CanFold() {
  int32_t known = canFold.load(std::memory_order_relaxed);
  if (known == 0) {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    bool has = __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_PCLMUL) != 0 && (edx & bit_SSE2) != 0;
    known = has ? 2 : 1;
    canFold.store(known, std::memory_order_relaxed);
  }
  return known == 2;
}

// The stack is realigned on entry: a 32-bit Windows thread's stack is aligned to 4 bytes, and spilled vector
// registers need 16.
PURGEWELL_FOLD_TARGET __attribute__((force_align_arg_pointer)) uint32_t
Crc32_UpdateFolded(uint32_t value, const uint8_t* bytes, size_t count) {
  if (count < 64) return Crc32_UpdateSliced(value, bytes, count);
  // The running value enters as the first four bytes, as the table step would take it.
  __m128i lane1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(value)));
  __m128i lane2 = Load(bytes + 16);
  __m128i lane3 = Load(bytes + 32);
  __m128i lane4 = Load(bytes + 48);
  bytes += 64;
  count -= 64;
  __m128i factors = _mm_set_epi64x(static_cast<long long>(FOLD_512_HIGH), static_cast<long long>(FOLD_512_LOW));
  while (count >= 64) {
    lane1 = Fold(lane1, factors, Load(bytes));
    lane2 = Fold(lane2, factors, Load(bytes + 16));
    lane3 = Fold(lane3, factors, Load(bytes + 32));
    lane4 = Fold(lane4, factors, Load(bytes + 48));
    bytes += 64;
    count -= 64;
  }
  factors = _mm_set_epi64x(static_cast<long long>(FOLD_128_HIGH), static_cast<long long>(FOLD_128_LOW));
  lane1 = Fold(lane1, factors, lane2);
  lane1 = Fold(lane1, factors, lane3);
  lane1 = Fold(lane1, factors, lane4);
  while (count >= 16) {
    lane1 = Fold(lane1, factors, Load(bytes));
    bytes += 16;
    count -= 16;
  }
  // The lane left is congruent to everything folded into it, so its 16 bytes, from a running value of 0, end
  // where the whole prefix would; the table step reduces them and takes the tail.
  alignas(16) uint8_t folded[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(folded), lane1);
  return Crc32_UpdateSliced(Crc32_UpdateSliced(0, folded, sizeof folded), bytes, count);
}
