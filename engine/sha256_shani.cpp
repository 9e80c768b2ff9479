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

namespace {

// The instructions keep the state as two registers, (a, b, e, f) and
// (c, d, g, h), highest word first.
__attribute__((target("sha,ssse3,sse4.1"), always_inline)) inline void LoadState(const uint32_t* state,
                                                                                  __m128i& abef,
                                                                                  __m128i& cdgh) {
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  abef = _mm_alignr_epi8(cdab, efgh, 8);
  cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
}

// Back to (a, b, c, d) and (e, f, g, h).
__attribute__((target("sha,ssse3,sse4.1"), always_inline)) inline void StoreState(__m128i abef, __m128i cdgh,
                                                                                   uint32_t* state) {
  __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

// count blocks of each of kStreams independent messages, group by group in
// lockstep: each sha256rnds2 waits some cycles for the one before it in its
// own message, and the other message's rounds fill that wait.
template <int kStreams>
__attribute__((target("sha,ssse3,sse4.1"), always_inline)) inline void Blocks(uint32_t* const* states,
                                                                               const uint8_t* const* blocks,
                                                                               size_t count) {
  // Message words are big-endian; the instructions want them as host words.
  const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
  __m128i abef[kStreams], cdgh[kStreams];
  const uint8_t* p[kStreams];
#pragma GCC unroll 2
  for (int s = 0; s < kStreams; ++s) {
    LoadState(states[s], abef[s], cdgh[s]);
    p[s] = blocks[s];
  }
  for (; count > 0; --count) {
    __m128i abefStart[kStreams], cdghStart[kStreams], m0[kStreams], m1[kStreams], m2[kStreams], m3[kStreams];
#pragma GCC unroll 2
    for (int s = 0; s < kStreams; ++s) {
      abefStart[s] = abef[s];
      cdghStart[s] = cdgh[s];
      m0[s] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[s])), swap);
      m1[s] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[s] + 16)), swap);
      m2[s] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[s] + 32)), swap);
      m3[s] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[s] + 48)), swap);
      p[s] += 64;
    }
    // Group g works on m[g % 4]; its prev is m[(g + 3) % 4], its next m[(g + 1) % 4].
#define KV_GROUP(kFinish, kPrepare, prev, cur, next, g) \
  _Pragma("GCC unroll 2") for (int s = 0; s < kStreams; ++s) \
      Quad<kFinish, kPrepare>(abef[s], cdgh[s], prev[s], cur[s], next[s], g);
    KV_GROUP(false, false, m3, m0, m1, 0)
    KV_GROUP(false, true, m0, m1, m2, 1)
    KV_GROUP(false, true, m1, m2, m3, 2)
    KV_GROUP(true, true, m2, m3, m0, 3)
    KV_GROUP(true, true, m3, m0, m1, 4)
    KV_GROUP(true, true, m0, m1, m2, 5)
    KV_GROUP(true, true, m1, m2, m3, 6)
    KV_GROUP(true, true, m2, m3, m0, 7)
    KV_GROUP(true, true, m3, m0, m1, 8)
    KV_GROUP(true, true, m0, m1, m2, 9)
    KV_GROUP(true, true, m1, m2, m3, 10)
    KV_GROUP(true, true, m2, m3, m0, 11)
    KV_GROUP(true, true, m3, m0, m1, 12)
    KV_GROUP(true, false, m0, m1, m2, 13)
    KV_GROUP(true, false, m1, m2, m3, 14)
    KV_GROUP(false, false, m2, m3, m0, 15)
#undef KV_GROUP
#pragma GCC unroll 2
    for (int s = 0; s < kStreams; ++s) {
      abef[s] = _mm_add_epi32(abef[s], abefStart[s]);
      cdgh[s] = _mm_add_epi32(cdgh[s], cdghStart[s]);
    }
  }
#pragma GCC unroll 2
  for (int s = 0; s < kStreams; ++s) StoreState(abef[s], cdgh[s], states[s]);
}

}  // namespace

__attribute__((target("sha,ssse3,sse4.1"), hot)) void Sha256BlocksShaNi(uint32_t state[8], const uint8_t* p,
                                                                         size_t count) {
  uint32_t* states[1] = {state};
  const uint8_t* blocks[1] = {p};
  Blocks<1>(states, blocks, count);
}

__attribute__((target("sha,ssse3,sse4.1"), hot)) void Sha256BlocksShaNiTwo(uint32_t stateA[8],
                                                                            const uint8_t* blocksA,
                                                                            uint32_t stateB[8],
                                                                            const uint8_t* blocksB,
                                                                            size_t count) {
  uint32_t* states[2] = {stateA, stateB};
  const uint8_t* blocks[2] = {blocksA, blocksB};
  Blocks<2>(states, blocks, count);
}

#else  // no x86: the portable path only

bool Sha256HasShaNi() { return false; }
void Sha256BlocksShaNi(uint32_t state[8], const uint8_t* blocks, size_t count) {
  Sha256BlocksPortable(state, blocks, count);
}
void Sha256BlocksShaNiTwo(uint32_t stateA[8], const uint8_t* blocksA, uint32_t stateB[8],
                          const uint8_t* blocksB, size_t count) {
  Sha256BlocksPortable(stateA, blocksA, count);
  Sha256BlocksPortable(stateB, blocksB, count);
}

#endif
