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

// The compression of count 64-byte blocks into state, by path (for tests and
// the benchmark). The portable one runs anywhere.
void Sha256BlocksPortable(uint32_t state[8], const uint8_t* blocks, size_t count);
