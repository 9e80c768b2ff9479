// SHA-256 (FIPS 180-4): the digest that binds a setup program to its package.
// Incremental (Sha256Init / Sha256Update / Sha256Final) and one-shot. The block
// function is chosen once at run time, as the CRC's is; every path gives the
// same digest as the portable one.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kSha256Bytes = 32;

struct Sha256 {
  uint32_t state[8];
  uint64_t length;    // bytes taken so far
  uint8_t block[64];  // a partial block
  uint32_t used;      // bytes of it in use
};

void Sha256Init(Sha256* s);
void Sha256Update(Sha256* s, const void* data, size_t length);
// Writes the digest; the context must be initialised again before reuse.
void Sha256Final(Sha256* s, uint8_t digest[kSha256Bytes]);
void Sha256Digest(const void* data, size_t length, uint8_t digest[kSha256Bytes]);
// Sha256Update of two contexts; where neither holds a partial block, the
// whole blocks the two have in common are hashed two at a time.
void Sha256UpdateTwo(Sha256* a, const void* dataA, size_t lengthA, Sha256* b, const void* dataB,
                     size_t lengthB);

// The compression of count 64-byte blocks into state, by path (for tests and
// the benchmark); blocks need no alignment. The portable one runs anywhere.
void Sha256BlocksPortable(uint32_t state[8], const uint8_t* blocks, size_t count);
// The x86 SHA extensions (sha256_shani.cpp); call only when Sha256HasShaNi().
void Sha256BlocksShaNi(uint32_t state[8], const uint8_t* blocks, size_t count);
// The same over two messages at once, count blocks of each, in lockstep: on
// processors where one message's rounds wait on each other it runs about
// half again as fast as two calls. Without the extensions it is two calls of
// the portable path.
void Sha256BlocksShaNiTwo(uint32_t stateA[8], const uint8_t* blocksA, uint32_t stateB[8],
                          const uint8_t* blocksB, size_t count);
// True when the processor (checked once with cpuid) has the SHA extensions,
// SSSE3 and SSE4.1; always false on other processors.
bool Sha256HasShaNi();

// The 64 round constants, shared by the block functions.
alignas(16) inline constexpr uint32_t kSha256Round[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};
