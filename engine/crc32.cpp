// CRC-32/JAMCRC: the reference table loop, the portable slicing-by-16 path and
// the run-time choice between it and the PCLMULQDQ path (crc32_pclmul.cpp).
#include "crc32.h"

#include <atomic>

namespace {

// kTables.t[k][b]: the CRC register change of byte b followed by k zero bytes;
// t[0] is the standard 256-entry table of the reflected polynomial.
struct SliceTables {
  uint32_t t[16][256];
};

constexpr SliceTables MakeTables() {
  SliceTables s{};
  for (uint32_t b = 0; b < 256; ++b) {
    uint32_t c = b;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    s.t[0][b] = c;
  }
  for (int k = 1; k < 16; ++k)
    for (uint32_t b = 0; b < 256; ++b)
      s.t[k][b] = (s.t[k - 1][b] >> 8) ^ s.t[0][s.t[k - 1][b] & 0xFF];
  return s;
}

constexpr SliceTables kTables = MakeTables();
static_assert(kTables.t[0][1] == 0x77073096u, "standard CRC-32 table");

inline uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

using CrcFunction = uint32_t (*)(const void*, size_t);

uint32_t ChooseAndRun(const void* data, size_t length);
std::atomic<CrcFunction> chosen{&ChooseAndRun};

uint32_t ChooseAndRun(const void* data, size_t length) {
  CrcFunction f = Crc32HasPclmul() ? &Crc32JamPclmul : &Crc32JamPortable;
  chosen.store(f, std::memory_order_relaxed);
  return f(data, length);
}

}  // namespace

uint32_t Crc32JamTable(const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ kTables.t[0][(crc ^ p[i]) & 0xFF];
  return crc;
}

uint32_t Crc32UpdatePortable(uint32_t crc, const uint8_t* p, size_t length) {
  const auto& t = kTables.t;
  while (length >= 16) {
    uint32_t a = LoadLe32(p) ^ crc;
    uint32_t b = LoadLe32(p + 4);
    uint32_t c = LoadLe32(p + 8);
    uint32_t d = LoadLe32(p + 12);
    // Only word a depends on the register; the other twelve lookups overlap
    // with the previous block, so they are combined first.
    uint32_t rest = t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^
                    t[8][b >> 24] ^ t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^
                    t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^ t[3][d & 0xFF] ^
                    t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
    crc = rest ^ ((t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF]) ^
                  (t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24]));
    p += 16;
    length -= 16;
  }
  while (length-- > 0) crc = (crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF];
  return crc;
}

uint32_t Crc32JamPortable(const void* data, size_t length) {
  return Crc32UpdatePortable(0xFFFFFFFFu, static_cast<const uint8_t*>(data), length);
}

uint32_t Crc32Jam(const void* data, size_t length) {
  return chosen.load(std::memory_order_relaxed)(data, length);
}
