// SHA-256 against OpenSSL's SHA256() on the same buffers: 64 KiB (in cache),
// 128 MiB and a misaligned 128 MiB view, for the engine's chosen path and each
// block function. Digests are checked equal first; runs alternate between the
// sides and the medians are compared.
#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench.h"
#include "engine/sha256.h"

namespace {

using Clock = std::chrono::steady_clock;
using DigestFn = void (*)(const uint8_t*, size_t, uint8_t*);
using BlockFn = void (*)(uint32_t*, const uint8_t*, size_t);

// The whole blocks with one block function; the tail and the padding (a block
// or two, nothing next to 64 KiB) go through the engine's choice.
template <BlockFn kBlocks>
void DigestWith(const uint8_t* data, size_t length, uint8_t* digest) {
  Sha256 s;
  Sha256Init(&s);
  const size_t whole = length / 64 * 64;
  kBlocks(s.state, data, whole / 64);
  s.length = whole;
  Sha256Update(&s, data + whole, length - whole);
  Sha256Final(&s, digest);
}

void Chosen(const uint8_t* data, size_t length, uint8_t* digest) { Sha256Digest(data, length, digest); }
void OpenSsl(const uint8_t* data, size_t length, uint8_t* digest) { SHA256(data, length, digest); }

struct Side {
  const char* name;
  DigestFn fn;
  std::vector<double> seconds;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

volatile uint8_t sink;

// Seconds per pass over the buffer; each round does enough passes to last a
// few milliseconds.
double TimePasses(DigestFn fn, const uint8_t* data, size_t length, int passes) {
  uint8_t digest[kSha256Bytes];
  auto start = Clock::now();
  for (int i = 0; i < passes; ++i) {
    fn(data, length, digest);
    sink = sink + digest[0];
  }
  return std::chrono::duration<double>(Clock::now() - start).count() / passes;
}

void Compare(const char* label, const uint8_t* data, size_t length, std::vector<Side> sides) {
  uint8_t expected[kSha256Bytes];
  OpenSsl(data, length, expected);
  for (const Side& s : sides) {
    uint8_t digest[kSha256Bytes];
    s.fn(data, length, digest);
    if (std::memcmp(digest, expected, sizeof digest) != 0) {
      std::printf("sha256 %s: %s gives a different digest; not timed\n", label, s.name);
      std::exit(1);
    }
  }
  const int passes = std::max<int>(1, static_cast<int>((16u << 20) / length));
  const int rounds = length > (1u << 20) ? 7 : 31;
  for (int r = 0; r < rounds; ++r)
    for (Side& s : sides) s.seconds.push_back(TimePasses(s.fn, data, length, passes));
  const double reference = Median(sides.back().seconds);
  for (const Side& s : sides) {
    double m = Median(s.seconds);
    std::printf("sha256 %-22s %-12s %8.3f GB/s  %5.2fx OpenSSL\n", label, s.name, length / m / 1e9,
                reference / m);
  }
}

// Two messages hashed in lockstep (the bound extraction's digest thread takes
// files two at a time) against the same two one after the other, both with
// the SHA extensions: the states must agree, then the medians are compared.
void CompareTwoAtOnce(const uint8_t* a, const uint8_t* b, size_t length) {
  const size_t blocks = length / 64;
  auto oneAfterOther = [&](uint32_t* sa, uint32_t* sb) {
    Sha256BlocksShaNi(sa, a, blocks);
    Sha256BlocksShaNi(sb, b, blocks);
  };
  auto twoAtOnce = [&](uint32_t* sa, uint32_t* sb) { Sha256BlocksShaNiTwo(sa, a, sb, b, blocks); };
  Sha256 one[2], two[2];
  for (Sha256* s : {&one[0], &one[1], &two[0], &two[1]}) Sha256Init(s);
  oneAfterOther(one[0].state, one[1].state);
  twoAtOnce(two[0].state, two[1].state);
  if (std::memcmp(one[0].state, two[0].state, sizeof one[0].state) != 0 ||
      std::memcmp(one[1].state, two[1].state, sizeof one[1].state) != 0) {
    std::printf("sha256 two at once: the states differ from one at a time; not timed\n");
    std::exit(1);
  }
  std::vector<double> oneSeconds, twoSeconds;
  for (int r = 0; r < 7; ++r) {
    for (int side = 0; side < 2; ++side) {
      const auto start = Clock::now();
      side == 0 ? oneAfterOther(one[0].state, one[1].state) : twoAtOnce(two[0].state, two[1].state);
      (side == 0 ? oneSeconds : twoSeconds)
          .push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
  }
  const double m1 = Median(oneSeconds), m2 = Median(twoSeconds);
  char label[32];
  std::snprintf(label, sizeof label, "2 x %zu MiB", length >> 20);
  std::printf("sha256 %-22s %-12s %8.3f GB/s  %5.2fx one message at a time\n", label, "sha-ni x2",
              2 * length / m2 / 1e9, m1 / m2);
}

}  // namespace

void RunShaBenchmarks(int, char**) {
  std::printf("sha256: Sha256Digest (%s path chosen) against SHA256() of %s, medians of interleaved runs\n",
              Sha256HasShaNi() ? "SHA-NI" : "portable", OpenSSL_version(OPENSSL_VERSION));
  std::vector<uint8_t> buffer((128u << 20) + 64);
  uint64_t x = 0x2545F4914F6CDD1Dull;
  for (size_t i = 0; i < buffer.size(); ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    buffer[i] = static_cast<uint8_t>(x);
  }
  std::vector<Side> sides;
  sides.push_back({"Sha256Digest", Chosen, {}});
  sides.push_back({"portable", DigestWith<Sha256BlocksPortable>, {}});
  if (Sha256HasShaNi()) sides.push_back({"sha-ni", DigestWith<Sha256BlocksShaNi>, {}});
  sides.push_back({"openssl", OpenSsl, {}});
  Compare("64 KiB", buffer.data(), 64u << 10, sides);
  Compare("128 MiB", buffer.data(), 128u << 20, sides);
  Compare("128 MiB at offset +3", buffer.data() + 3, 128u << 20, sides);
  if (Sha256HasShaNi()) CompareTwoAtOnce(buffer.data(), buffer.data() + (64u << 20), 64u << 20);
}
