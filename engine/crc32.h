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
