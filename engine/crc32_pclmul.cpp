// CRC-32/JAMCRC by carry-less multiplication (PCLMULQDQ): four 128-bit lanes
// folded 64 bytes at a time, then one lane, then a Barrett reduction to 32 bits.
// The functions carry their own target attribute, so the 32-bit build (whose
// default target has no SSE) gets this path too; cpuid decides at run time.
#include "crc32.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cpuid.h>
#include <immintrin.h>

namespace {

// Folding constants of the bit-reflected polynomial, each x^n mod P reflected
// and shifted for the 64x64 products: 1024-bit fold (x^1056, x^992), 512-bit
// fold (x^544, x^480), 128-bit fold
// (x^160, x^96), the 64-bit step (x^64), and the Barrett pair (P', mu).
alignas(16) const uint64_t kFold1024[2] = {0x01e88ef372ull, 0x014a7fe880ull};
alignas(16) const uint64_t kFold512[2] = {0x0154442bd4ull, 0x01c6e41596ull};
alignas(16) const uint64_t kFold128[2] = {0x01751997d0ull, 0x00ccaa009eull};
alignas(16) const uint64_t kFold64[2] = {0x0163cd6124ull, 0};
alignas(16) const uint64_t kBarrett[2] = {0x01db710641ull, 0x01f7011641ull};

// Large buffers stream from the outer caches or memory faster when the lines
// are asked for this far ahead (a prefetch past the end is harmless).
constexpr int kPrefetchAhead = 4096;

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i acc, __m128i k, __m128i next) {
  __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
  __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

// crc: the running register; length: a multiple of 16, at least 64.
__attribute__((target("pclmul,sse4.1"), hot, aligned(64))) uint32_t FoldBlocks(
    uint32_t crc, const uint8_t* p, size_t length) {
  __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  __m128i x4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
  x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(static_cast<int>(crc)));
  p += 64;
  length -= 64;

  __m128i k;
#if defined(__x86_64__)
  // Eight lanes hide the multiplier's latency; the 32-bit build has only
  // eight vector registers and stays with four.
  if (length >= 64) {
    __m128i x5 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i x6 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i x7 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    __m128i x8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    p += 64;
    length -= 64;
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1024));
    while (length >= 128) {
      _mm_prefetch(reinterpret_cast<const char*>(p) + kPrefetchAhead, _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(p) + kPrefetchAhead + 64, _MM_HINT_T0);
      x1 = Fold(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
      x2 = Fold(x2, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
      x3 = Fold(x3, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
      x4 = Fold(x4, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
      x5 = Fold(x5, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 64)));
      x6 = Fold(x6, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 80)));
      x7 = Fold(x7, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 96)));
      x8 = Fold(x8, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 112)));
      p += 128;
      length -= 128;
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold512));
    x1 = Fold(x1, k, x5);
    x2 = Fold(x2, k, x6);
    x3 = Fold(x3, k, x7);
    x4 = Fold(x4, k, x8);
  }
#endif
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold512));
  while (length >= 64) {
    _mm_prefetch(reinterpret_cast<const char*>(p) + kPrefetchAhead, _MM_HINT_T0);
    x1 = Fold(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    x2 = Fold(x2, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    x3 = Fold(x3, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)));
    x4 = Fold(x4, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)));
    p += 64;
    length -= 64;
  }

  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
  x1 = Fold(x1, k, x2);
  x1 = Fold(x1, k, x3);
  x1 = Fold(x1, k, x4);
  while (length >= 16) {
    x1 = Fold(x1, k, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    p += 16;
    length -= 16;
  }

  // 128 -> 64 bits.
  const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
  __m128i t = _mm_clmulepi64_si128(x1, k, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), t);
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  t = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), t);

  // Barrett reduction to 32 bits.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  t = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), k, 0x00);
  x1 = _mm_xor_si128(x1, t);
  return static_cast<uint32_t>(_mm_extract_epi32(x1, 1));
}

bool DetectPclmul() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  return (c & bit_PCLMUL) != 0 && (c & bit_SSE4_1) != 0;
}

}  // namespace

bool Crc32HasPclmul() {
  static const bool has = DetectPclmul();
  return has;
}

uint32_t Crc32JamPclmul(const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t crc = 0xFFFFFFFFu;
  if (length < 64) return Crc32UpdatePortable(crc, p, length);
  size_t blocks = length & ~size_t(15);
  crc = FoldBlocks(crc, p, blocks);
  return Crc32UpdatePortable(crc, p + blocks, length - blocks);
}

#else  // no x86: the portable path only

bool Crc32HasPclmul() { return false; }
uint32_t Crc32JamPclmul(const void* data, size_t length) { return Crc32JamPortable(data, length); }

#endif
