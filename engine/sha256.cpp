// SHA-256: the portable block function, the run-time choice between it and
// the SHA extensions (sha256_shani.cpp), and the message padding around it.
#include "sha256.h"

#include <atomic>
#include <cstring>

namespace {

constexpr uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

inline uint32_t LoadBe32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline uint32_t SmallSigma0(uint32_t x) { return Rotr(x, 7) ^ Rotr(x, 18) ^ (x >> 3); }
inline uint32_t SmallSigma1(uint32_t x) { return Rotr(x, 17) ^ Rotr(x, 19) ^ (x >> 10); }

// One round. The callers pass the working variables in rotated order instead
// of moving eight values along after every round: only d and h change.
inline void Round(uint32_t a, uint32_t b, uint32_t c, uint32_t& d, uint32_t e, uint32_t f,
                  uint32_t g, uint32_t& h, uint32_t kw) {
  const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + (g ^ (e & (f ^ g))) + kw;
  const uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) | (c & (a | b)));
  d += t1;
  h = t1 + t2;
}

using BlockFunction = void (*)(uint32_t*, const uint8_t*, size_t);

void ChooseAndRun(uint32_t* state, const uint8_t* blocks, size_t count);
std::atomic<BlockFunction> chosen{&ChooseAndRun};

void ChooseAndRun(uint32_t* state, const uint8_t* blocks, size_t count) {
  BlockFunction f = Sha256HasShaNi() ? &Sha256BlocksShaNi : &Sha256BlocksPortable;
  chosen.store(f, std::memory_order_relaxed);
  f(state, blocks, count);
}

void Blocks(uint32_t* state, const uint8_t* blocks, size_t count) {
  if (count > 0) chosen.load(std::memory_order_relaxed)(state, blocks, count);
}

}  // namespace

void Sha256BlocksPortable(uint32_t state[8], const uint8_t* p, size_t count) {
  for (; count > 0; --count, p += 64) {
    // The schedule is kept as its last 16 words, renewed in place, and the
    // rounds unrolled by 16: in the 32-bit build, short of registers, this
    // runs about a fifth faster than a 64-word schedule and a rolled loop.
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe32(p + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; i += 16) {
      if (i > 0) {
        for (int j = 0; j < 16; ++j)
          w[j] += SmallSigma1(w[(j + 14) & 15]) + w[(j + 9) & 15] + SmallSigma0(w[(j + 1) & 15]);
      }
      const uint32_t* k = kSha256Round + i;
      Round(a, b, c, d, e, f, g, h, k[0] + w[0]);
      Round(h, a, b, c, d, e, f, g, k[1] + w[1]);
      Round(g, h, a, b, c, d, e, f, k[2] + w[2]);
      Round(f, g, h, a, b, c, d, e, k[3] + w[3]);
      Round(e, f, g, h, a, b, c, d, k[4] + w[4]);
      Round(d, e, f, g, h, a, b, c, k[5] + w[5]);
      Round(c, d, e, f, g, h, a, b, k[6] + w[6]);
      Round(b, c, d, e, f, g, h, a, k[7] + w[7]);
      Round(a, b, c, d, e, f, g, h, k[8] + w[8]);
      Round(h, a, b, c, d, e, f, g, k[9] + w[9]);
      Round(g, h, a, b, c, d, e, f, k[10] + w[10]);
      Round(f, g, h, a, b, c, d, e, k[11] + w[11]);
      Round(e, f, g, h, a, b, c, d, k[12] + w[12]);
      Round(d, e, f, g, h, a, b, c, k[13] + w[13]);
      Round(c, d, e, f, g, h, a, b, k[14] + w[14]);
      Round(b, c, d, e, f, g, h, a, k[15] + w[15]);
    }
    state[0] += a; state[1] += b; state[2] += c; state[3] += d;
    state[4] += e; state[5] += f; state[6] += g; state[7] += h;
  }
}

void Sha256Init(Sha256* s) {
  std::memcpy(s->state, kInitial, sizeof kInitial);
  s->length = 0;
  s->used = 0;
}

void Sha256Update(Sha256* s, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  s->length += length;
  if (s->used > 0) {
    const size_t take = length < 64 - s->used ? length : 64 - s->used;
    std::memcpy(s->block + s->used, p, take);
    s->used += static_cast<uint32_t>(take);
    p += take;
    length -= take;
    if (s->used < 64) return;
    Blocks(s->state, s->block, 1);
    s->used = 0;
  }
  Blocks(s->state, p, length / 64);
  p += length / 64 * 64;
  length %= 64;
  std::memcpy(s->block, p, length);
  s->used = static_cast<uint32_t>(length);
}

void Sha256UpdateTwo(Sha256* a, const void* dataA, size_t lengthA, Sha256* b, const void* dataB,
                     size_t lengthB) {
  const uint8_t* pa = static_cast<const uint8_t*>(dataA);
  const uint8_t* pb = static_cast<const uint8_t*>(dataB);
  // Without the extensions two messages at once gain nothing: each is updated
  // on its own with the chosen block function.
  if (a->used == 0 && b->used == 0 && Sha256HasShaNi()) {
    const size_t common = (lengthA < lengthB ? lengthA : lengthB) / 64 * 64;
    Sha256BlocksShaNiTwo(a->state, pa, b->state, pb, common / 64);
    a->length += common;
    b->length += common;
    pa += common;
    pb += common;
    lengthA -= common;
    lengthB -= common;
  }
  Sha256Update(a, pa, lengthA);
  Sha256Update(b, pb, lengthB);
}

void Sha256Final(Sha256* s, uint8_t digest[kSha256Bytes]) {
  const uint64_t bits = s->length * 8;
  s->block[s->used++] = 0x80;
  if (s->used > 56) {
    std::memset(s->block + s->used, 0, 64 - s->used);
    Blocks(s->state, s->block, 1);
    s->used = 0;
  }
  std::memset(s->block + s->used, 0, 56 - s->used);
  for (int i = 0; i < 8; ++i) s->block[56 + i] = uint8_t(bits >> (56 - 8 * i));
  Blocks(s->state, s->block, 1);
  for (int i = 0; i < 8; ++i) {
    digest[4 * i] = uint8_t(s->state[i] >> 24);
    digest[4 * i + 1] = uint8_t(s->state[i] >> 16);
    digest[4 * i + 2] = uint8_t(s->state[i] >> 8);
    digest[4 * i + 3] = uint8_t(s->state[i]);
  }
}

void Sha256Digest(const void* data, size_t length, uint8_t digest[kSha256Bytes]) {
  Sha256 s;
  Sha256Init(&s);
  Sha256Update(&s, data, length);
  Sha256Final(&s, digest);
}
