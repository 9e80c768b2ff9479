// CRC-32/JAMCRC: the reflected CRC-32 (polynomial 0xEDB88320, the zlib table)
// with initial value 0xFFFFFFFF and no final XOR, i.e. ~crc32() of zlib.
// Protects the package header and every index-file entry.
#pragma once

#include <cstddef>
#include <cstdint>

// CRC of length bytes; 0xFFFFFFFF for an empty input. Picks the fastest path
// the processor offers; every path gives the same result as the plain table.
uint32_t Crc32Jam(const void* data, size_t length);

// The plain 256-entry table loop, the reference for the fast paths.
uint32_t Crc32JamTable(const void* data, size_t length);

// The individual paths behind Crc32Jam, for tests and the benchmark.
// Slicing-by-16: portable, any processor.
uint32_t Crc32JamPortable(const void* data, size_t length);
// Carry-less multiplication folding (PCLMULQDQ); call only when
// Crc32HasPclmul() is true.
uint32_t Crc32JamPclmul(const void* data, size_t length);
// True when the processor (checked once with cpuid) has PCLMULQDQ and SSE4.1.
bool Crc32HasPclmul();

// Continues a CRC register over more bytes (slicing-by-16); the fast path
// uses it for the bytes around its 16-byte blocks.
uint32_t Crc32UpdatePortable(uint32_t crc, const uint8_t* data, size_t length);
