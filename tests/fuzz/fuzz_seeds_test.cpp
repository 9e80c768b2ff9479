// The seed inputs decode (fuzz_package.cpp) to the packages tests/fuzz/make-seeds
// made them from: a seed whose header no flag repairs must still carry its own
// header CRC, or the fuzzer would start from damaged packages only.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/crc32.h"
#include "engine/os_layer_mem.h"
#include "engine/package_format.h"
#include "tests/fuzz/fuzz_package.h"

namespace {

std::vector<uint8_t> ReadSeed(const char* name) {
  std::ifstream in(std::string(KV_FUZZ_SEEDS) + "/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(FuzzSeeds, HeadersSpreadIntoThePackagesTheyCameFrom) {
  const struct {
    const char* seed;
    bool headerSound;
  } cases[] = {
      {"sound", true},      {"bad-entry-crc", true},   {"part-short", true},
      {"two-parts", true},  {"bad-header-crc", false},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> seed = ReadSeed(c.seed);
    ASSERT_GT(seed.size(), 9u) << c.seed;
    ASSERT_EQ(seed[0] & 1, 0) << c.seed << ": its header CRC would be set, not checked";
    os::mem::Reset();
    ASSERT_TRUE(fuzz::PutPackage(L"C:\\Setup", seed.data(), seed.size())) << c.seed;
    std::vector<uint8_t> index;
    ASSERT_TRUE(os::mem::ReadFile(L"C:\\Setup\\KVSetup.dat", &index)) << c.seed;
    ASSERT_GE(index.size(), pkg::kHeaderSize) << c.seed;
    EXPECT_EQ(pkg::ReadU32(&index[pkg::kOffIndexFileSize]), index.size()) << c.seed;
    const bool crcHolds = pkg::ReadU32(&index[pkg::kOffHeaderCrc]) ==
                          Crc32Jam(&index[4], pkg::kHeaderSize - 4);
    EXPECT_EQ(crcHolds, c.headerSound) << c.seed;
  }
}

}  // namespace
