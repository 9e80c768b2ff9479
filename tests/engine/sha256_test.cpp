// SHA-256: known digests, and every block function (portable, SHA extensions
// when the processor has them) and the engine's one-shot and incremental
// digests agreeing over many lengths, misalignments and split points. The
// reference is OpenSSL natively, the portable path where OpenSSL is absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/sha256.h"
#include "tests/engine/package_fixture.h"

#ifdef KV_TEST_WITH_OPENSSL
#include <openssl/sha.h>
#endif

namespace {

using Digest = std::vector<uint8_t>;

struct BlockPath {
  const char* name;
  void (*fn)(uint32_t*, const uint8_t*, size_t);
};

std::vector<BlockPath> Paths() {
  std::vector<BlockPath> paths = {{"portable", Sha256BlocksPortable}};
  if (Sha256HasShaNi()) paths.push_back({"sha-ni", Sha256BlocksShaNi});
  return paths;
}

// The message padded (0x80, zeros, the bit length) into whole blocks that
// begin offset bytes into the buffer, so a block function alone digests it.
Digest DigestByPath(const BlockPath& path, const uint8_t* data, size_t n, size_t offset) {
  std::vector<uint8_t> m(offset);
  m.insert(m.end(), data, data + n);
  m.push_back(0x80);
  while ((m.size() - offset) % 64 != 56) m.push_back(0);
  for (int i = 7; i >= 0; --i) m.push_back(uint8_t(uint64_t(n) * 8 >> (8 * i)));
  Sha256 s;
  Sha256Init(&s);
  path.fn(s.state, m.data() + offset, (m.size() - offset) / 64);
  Digest d;
  for (uint32_t word : s.state)
    for (int shift = 24; shift >= 0; shift -= 8) d.push_back(uint8_t(word >> shift));
  return d;
}

Digest EngineDigest(const uint8_t* data, size_t n) {
  Digest d(kSha256Bytes);
  Sha256Digest(data, n, d.data());
  return d;
}

Digest Reference(const uint8_t* data, size_t n) {
#ifdef KV_TEST_WITH_OPENSSL
  Digest d(SHA256_DIGEST_LENGTH);
  SHA256(data, n, d.data());
  return d;
#else
  return DigestByPath({"portable", Sha256BlocksPortable}, data, n, 0);
#endif
}

std::string Hex(const Digest& d) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : d) s += {kDigits[b >> 4], kDigits[b & 15]};
  return s;
}

TEST(Sha256, KnownDigestsOnEveryPath) {
  struct Case {
    const char* text;
    size_t repeat;
    const char* digest;
  };
  // The short, two-block and million-byte messages of FIPS 180-4's examples,
  // the empty message, and 896 bits, which need a block of padding alone.
  const Case cases[] = {
      {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
       "mnopqrsmnopqrstnopqrstu",
       1, "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {"a", 1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    std::string text;
    for (size_t i = 0; i < c.repeat; ++i) text += c.text;
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    for (const BlockPath& path : Paths())
      EXPECT_EQ(Hex(DigestByPath(path, p, text.size(), 0)), c.digest) << path.name << " \"" << c.text << "\"";
    EXPECT_EQ(Hex(EngineDigest(p, text.size())), c.digest) << "Sha256Digest \"" << c.text << "\"";
  }
}

TEST(Sha256, PathsAgreeWithReferenceOverLengthsAndOffsets) {
  const std::vector<uint8_t> data = fixture::Bytes((3u << 20) + 64, 19);
  struct Range {
    std::vector<size_t> lengths;
    size_t offsets;  // starts 0 .. offsets - 1
  };
  Range small{{}, 16};
  for (size_t n = 0; n <= 300; ++n) small.lengths.push_back(n);
  const Range large{{1023, 4096, 4097, 65535, 65536 + 55, 1000003, (1u << 20) + 56, (3u << 20) + 63}, 2};
  for (const Range& range : {small, large}) {
    for (size_t n : range.lengths) {
      for (size_t offset = 0; offset < range.offsets; ++offset) {
        const uint8_t* p = data.data() + offset;
        const Digest want = Reference(p, n);
        for (const BlockPath& path : Paths())
          ASSERT_EQ(Hex(DigestByPath(path, p, n, offset)), Hex(want))
              << path.name << " offset " << offset << " length " << n;
        ASSERT_EQ(Hex(EngineDigest(p, n)), Hex(want)) << "Sha256Digest offset " << offset << " length " << n;
      }
    }
  }
}

TEST(Sha256, IncrementalUpdatesSplitAtRandomPoints) {
  const std::vector<uint8_t> data = fixture::Bytes(300000, 23);
  std::mt19937 random(5);
  for (int round = 0; round < 40; ++round) {
    const size_t n = random() % data.size();
    // Mostly short pieces around the block size, now and then a long one.
    std::vector<size_t> cuts;
    for (size_t at = 0; at < n;) {
      size_t piece = random() % 8 == 0 ? random() % 40000 : random() % 130;
      at = std::min(n, at + piece);
      cuts.push_back(at);
    }
    Sha256 s;
    Sha256Init(&s);
    size_t from = 0;
    for (size_t to : cuts) {
      Sha256Update(&s, data.data() + from, to - from);
      from = to;
    }
    Digest d(kSha256Bytes);
    Sha256Final(&s, d.data());
    ASSERT_EQ(Hex(d), Hex(Reference(data.data(), n))) << "round " << round << ", " << cuts.size() << " pieces";
  }
}

// Two messages hashed in lockstep must give each message's own digest: the
// two-way block function against two calls of the one-way one, and
// Sha256UpdateTwo (which passes the uneven rest and any partial block to the
// one-way path) against the reference.
TEST(Sha256, TwoMessagesAtOnceMatchOneAtATime) {
  const std::vector<uint8_t> data = fixture::Bytes(1u << 20, 29);
  struct Case {
    size_t lengthA, offsetA, lengthB, offsetB, headA;  // headA: bytes given to A before
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0},           {64, 0, 64, 3, 0},         {640, 1, 640, 0, 0},
      {4096, 5, 100, 7, 0},      {63, 0, 4097, 0, 0},       {300000, 2, 299937, 9, 0},
      {65536, 0, 65536, 0, 30},  {200000, 0, 200064, 1, 64},
  };
  for (const Case& c : cases) {
    const uint8_t* a = data.data() + c.offsetA;
    const uint8_t* b = data.data() + 500000 + c.offsetB;
    const size_t common = std::min(c.lengthA, c.lengthB) / 64;
    Sha256 oneA, oneB, twoA, twoB;
    for (Sha256* s : {&oneA, &oneB, &twoA, &twoB}) Sha256Init(s);
    const auto blocks = Sha256HasShaNi() ? Sha256BlocksShaNi : Sha256BlocksPortable;
    blocks(oneA.state, a, common);
    blocks(oneB.state, b, common);
    Sha256BlocksShaNiTwo(twoA.state, a, twoB.state, b, common);
    EXPECT_EQ(0, std::memcmp(oneA.state, twoA.state, sizeof oneA.state)) << c.lengthA << " " << c.lengthB;
    EXPECT_EQ(0, std::memcmp(oneB.state, twoB.state, sizeof oneB.state)) << c.lengthA << " " << c.lengthB;

    Sha256Init(&twoA);
    Sha256Init(&twoB);
    Sha256Update(&twoA, a, c.headA);
    Sha256UpdateTwo(&twoA, a + c.headA, c.lengthA, &twoB, b, c.lengthB);
    Digest dA(kSha256Bytes), dB(kSha256Bytes);
    Sha256Final(&twoA, dA.data());
    Sha256Final(&twoB, dB.data());
    EXPECT_EQ(Hex(dA), Hex(Reference(a, c.headA + c.lengthA))) << c.lengthA << " " << c.lengthB;
    EXPECT_EQ(Hex(dB), Hex(Reference(b, c.lengthB))) << c.lengthA << " " << c.lengthB;
  }
}

}  // namespace
