// Crc32Jam against zlib's crc32() (complemented) on the same buffers: 64 KiB
// (in cache), 128 MiB and a misaligned 128 MiB view. Results are checked equal
// first; runs alternate between the two sides and the medians are compared.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench.h"
#include "engine/crc32.h"

namespace {

using Clock = std::chrono::steady_clock;
using CrcFn = uint32_t (*)(const void*, size_t);

uint32_t ZlibJam(const void* data, size_t length) {
  // zlib takes at most 4 GiB - 1 per call; the buffers here are smaller.
  return ~static_cast<uint32_t>(crc32(0, static_cast<const Bytef*>(data), static_cast<uInt>(length)));
}

// Seconds per pass over the buffer, as the median of rounds; each round does
// enough passes to last a few milliseconds.
struct Side {
  const char* name;
  CrcFn fn;
  std::vector<double> seconds;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

volatile uint32_t sink;

double TimePasses(CrcFn fn, const uint8_t* data, size_t length, int passes) {
  auto start = Clock::now();
  for (int i = 0; i < passes; ++i) sink = sink + fn(data, length);
  return std::chrono::duration<double>(Clock::now() - start).count() / passes;
}

void Compare(const char* label, const uint8_t* data, size_t length, std::vector<Side> sides) {
  const uint32_t expected = Crc32JamTable(data, length);
  for (const Side& s : sides) {
    if (s.fn(data, length) != expected) {
      std::printf("crc %s: %s gives a different CRC; not timed\n", label, s.name);
      std::exit(1);
    }
  }
  const int passes = std::max<int>(1, static_cast<int>((64u << 20) / length));
  const int rounds = length > (1u << 20) ? 9 : 31;
  for (int r = 0; r < rounds; ++r)
    for (Side& s : sides) s.seconds.push_back(TimePasses(s.fn, data, length, passes));
  const double reference = Median(sides.back().seconds);
  for (const Side& s : sides) {
    double m = Median(s.seconds);
    std::printf("crc %-22s %-9s %8.2f GB/s  %5.2fx zlib\n", label, s.name, length / m / 1e9, reference / m);
  }
}

}  // namespace

void RunCrcBenchmarks(int, char**) {
  std::printf("crc: Crc32Jam (%s path chosen) against ~crc32() of zlib %s, medians of interleaved runs\n",
              Crc32HasPclmul() ? "PCLMULQDQ" : "portable", zlibVersion());
  std::vector<uint8_t> buffer((128u << 20) + 64);
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (size_t i = 0; i < buffer.size(); ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    buffer[i] = static_cast<uint8_t>(x);
  }
  // Both paths are shown, the one Crc32Jam takes first.
  std::vector<Side> sides;
  sides.push_back({"Crc32Jam", Crc32Jam, {}});
  sides.push_back({"portable", Crc32JamPortable, {}});
  if (Crc32HasPclmul()) sides.push_back({"pclmul", Crc32JamPclmul, {}});
  sides.push_back({"zlib", ZlibJam, {}});
  Compare("64 KiB", buffer.data(), 64u << 10, sides);
  Compare("128 MiB", buffer.data(), 128u << 20, sides);
  Compare("128 MiB at offset +3", buffer.data() + 3, 128u << 20, sides);
}
