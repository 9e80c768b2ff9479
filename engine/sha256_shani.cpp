// SHA-256 block function with the x86 SHA extensions (sha256rnds2 for two
// rounds at a time, sha256msg1/msg2 for the message schedule), and the cpuid
// check that allows it. The functions carry their own target attribute, so the
// 32-bit build (whose default target has no SSE) gets this path too.
#include "sha256.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cpuid.h>
#include <immintrin.h>

namespace {

// Four rounds (group g: rounds 4g .. 4g+3) over the schedule words in cur,
// with the schedule carried along: next gains words 4 (g+1) .. 4 (g+1) + 3
// from cur and the words before it (sha256msg2), and prev is prepared for the
// group after next (sha256msg1). The first groups have no words to finish and
// the last ones nothing to prepare; the flags say which steps run.
template <bool kFinishNext, bool kPreparePrev>
__attribute__((target("sha,ssse3,sse4.1"), always_inline)) inline void Quad(__m128i& abef, __m128i& cdgh,
                                                              __m128i& prev, __m128i cur,
                                                              __m128i& next, int g) {
  __m128i k = _mm_add_epi32(cur, _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256Round + 4 * g)));
  cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
  if (kFinishNext) {
    next = _mm_add_epi32(next, _mm_alignr_epi8(cur, prev, 4));
    next = _mm_sha256msg2_epu32(next, cur);
  }
  abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(k, 0x0E));
  if (kPreparePrev) prev = _mm_sha256msg1_epu32(prev, cur);
}

bool DetectShaNi() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  if ((c & bit_SSSE3) == 0 || (c & bit_SSE4_1) == 0) return false;
  // __get_cpuid_count fails when the processor has no leaf 7.
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_SHA) != 0;
}

}  // namespace

bool Sha256HasShaNi() {
  static const bool has = DetectShaNi();
  return has;
}

__attribute__((target("sha,ssse3,sse4.1"), hot)) void Sha256BlocksShaNi(uint32_t state[8], const uint8_t* p,
                                                           size_t count) {
  // Message words are big-endian; the instructions want them as host words.
  const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
  // The instructions keep the state as two registers, (a, b, e, f) and
  // (c, d, g, h), highest word first.
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

  for (; count > 0; --count, p += 64) {
    const __m128i abefStart = abef, cdghStart = cdgh;
    __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), swap);
    __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), swap);
    __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), swap);
    __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), swap);
    // Group g works on m[g % 4]; its prev is m[(g + 3) % 4], its next m[(g + 1) % 4].
    Quad<false, false>(abef, cdgh, m3, m0, m1, 0);
    Quad<false, true>(abef, cdgh, m0, m1, m2, 1);
    Quad<false, true>(abef, cdgh, m1, m2, m3, 2);
    Quad<true, true>(abef, cdgh, m2, m3, m0, 3);
    Quad<true, true>(abef, cdgh, m3, m0, m1, 4);
    Quad<true, true>(abef, cdgh, m0, m1, m2, 5);
    Quad<true, true>(abef, cdgh, m1, m2, m3, 6);
    Quad<true, true>(abef, cdgh, m2, m3, m0, 7);
    Quad<true, true>(abef, cdgh, m3, m0, m1, 8);
    Quad<true, true>(abef, cdgh, m0, m1, m2, 9);
    Quad<true, true>(abef, cdgh, m1, m2, m3, 10);
    Quad<true, true>(abef, cdgh, m2, m3, m0, 11);
    Quad<true, true>(abef, cdgh, m3, m0, m1, 12);
    Quad<true, false>(abef, cdgh, m0, m1, m2, 13);
    Quad<true, false>(abef, cdgh, m1, m2, m3, 14);
    Quad<false, false>(abef, cdgh, m2, m3, m0, 15);
    abef = _mm_add_epi32(abef, abefStart);
    cdgh = _mm_add_epi32(cdgh, cdghStart);
  }

  // Back to (a, b, c, d) and (e, f, g, h).
  __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#else  // no x86: the portable path only

bool Sha256HasShaNi() { return false; }
void Sha256BlocksShaNi(uint32_t state[8], const uint8_t* blocks, size_t count) {
  Sha256BlocksPortable(state, blocks, count);
}

#endif
