// CRC-32/JAMCRC: check values, and every path (table, slicing-by-16,
// PCLMULQDQ when the processor has it, the dispatcher) agreeing with the
// table over many lengths and misalignments; natively also with zlib.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/crc32.h"
#include "tests/engine/package_fixture.h"

#ifdef KV_TEST_WITH_ZLIB
#include <zlib.h>
#endif

namespace {

struct CrcPath {
  const char* name;
  uint32_t (*fn)(const void*, size_t);
};

std::vector<CrcPath> Paths() {
  std::vector<CrcPath> paths = {{"table", Crc32JamTable}, {"portable", Crc32JamPortable},
                                {"dispatch", Crc32Jam}};
  if (Crc32HasPclmul()) paths.push_back({"pclmul", Crc32JamPclmul});
  return paths;
}

TEST(Crc32, CheckValuesOnEveryPath) {
  struct Case {
    const char* text;
    uint32_t crc;
  };
  const Case cases[] = {{"123456789", 0x340BC6D9u}, {"", 0xFFFFFFFFu}};
  for (const CrcPath& path : Paths())
    for (const Case& c : cases)
      EXPECT_EQ(path.fn(c.text, std::strlen(c.text)), c.crc) << path.name << " \"" << c.text << "\"";
}

TEST(Crc32, NullPointerWithZeroLength) {
  for (const CrcPath& path : Paths()) EXPECT_EQ(path.fn(nullptr, 0), 0xFFFFFFFFu) << path.name;
}

TEST(Crc32, PathsAgreeWithTableOverLengthsAndOffsets) {
  const std::vector<uint8_t> data = fixture::Bytes(70000, 7);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (size_t n : {511u, 512u, 513u, 1023u, 4096u, 4099u, 65536u, 69000u}) lengths.push_back(n);
  for (const CrcPath& path : Paths()) {
    for (size_t offset = 0; offset < 16; ++offset) {
      for (size_t n : lengths) {
        if (offset + n > data.size()) continue;
        uint32_t expected = Crc32JamTable(data.data() + offset, n);
        ASSERT_EQ(path.fn(data.data() + offset, n), expected)
            << path.name << " offset " << offset << " length " << n;
#ifdef KV_TEST_WITH_ZLIB
        ASSERT_EQ(~static_cast<uint32_t>(crc32(0, data.data() + offset, static_cast<uInt>(n))), expected)
            << "zlib, offset " << offset << " length " << n;
#endif
      }
    }
  }
}

}  // namespace
