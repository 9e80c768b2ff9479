// Damaged packages: every prefix of a small package made by kvpack's writer
// (raw, and with the header repaired to claim the prefix) and single-bit
// flips in the header and in entries give defined codes, never a crash, and
// never a file from damaged data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/crc32.h"
#include "engine/extraction.h"
#include "engine/install_state.h"
#include "engine/package_format.h"
#include "engine/package_reader.h"
#include "tests/engine/extraction_support.h"

namespace {

using extraction_support::ExtractionTest;
using extraction_support::kFixedFiles;
namespace fs = std::filesystem;

// The plain native build sweeps every position. Under Wine every file
// operation is a server round trip, and the sanitizers slow each run down
// several times: there the long sweeps take every n-th position (always with
// the boundaries).
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_TEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KV_TEST_SANITIZED 1
#endif
#ifdef _WIN32
constexpr uint32_t kSweepStride = 23;
#elif defined(KV_TEST_SANITIZED)
constexpr uint32_t kSweepStride = 5;
#else
constexpr uint32_t kSweepStride = 1;
#endif

class PackageDamageTest : public ExtractionTest {
 protected:
  void SetUp() override {
    // The smallest package with every kind of entry: fixed entries of 16
    // bytes (the first of 21, so it carries three pad bytes), one song, one
    // font with its info file, three MR files in one part.
    input = kvpack::PackageInput{};
    for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i)
      input.fixed[i] = fixture::Data(i == 0 ? 21 : 16, i + 1);
    input.songs[7] = fixture::Data(256, 50);
    input.fonts.push_back({u"F.ttf", fixture::Data(257, 60), fixture::Data(256, 61)});
    for (uint32_t n = 1; n <= 3; ++n) input.mrFiles.push_back({n, fixture::Data(20, 70 + n)});
    ASSERT_TRUE(fixture::Write(input, pkgDir));
    index = fixture::IndexFile(pkgDir);
    fullSize = static_cast<uint32_t>(fs::file_size(index));
  }

  // Aligned end offsets of the present entries, in the order extraction
  // takes them.
  std::vector<uint32_t> EntryEnds() const {
    std::vector<uint32_t> ends;
    uint32_t previous = fixture::ReadU32At(index, pkg::kOffFirstEntryStart);
    for (uint32_t slot = pkg::kOffFixedEntryEnds; slot < pkg::kOffFontNames; slot += 4) {
      if (slot >= pkg::kOffFixedEntryEnds + 4 * pkg::kFixedEntriesUsed && slot < pkg::kOffSongEntryEnds)
        continue;  // reserved fixed slots
      const uint32_t end = fixture::ReadU32At(index, slot);
      if ((previous & ~3u) < end) ends.push_back(end & ~3u);
      previous = end;
    }
    return ends;
  }

  size_t FilesInstalled() const {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(installDir)) n += e.is_regular_file();
    return n;
  }

  // Starts of the fixed entry 0 and of the song entry.
  uint32_t FirstEntryStart() const { return EntryStart(pkg::kOffFixedEntryEnds); }
  uint32_t SongEntryStart() const { return EntryStart(pkg::kOffSongEntryEnds + 4 * 7); }

  fs::path index;
  uint32_t fullSize = 0;
};

TEST_F(PackageDamageTest, EveryPrefixOfTheIndexFileIsRefusedByTheCheck) {
  ASSERT_EQ(0, Open());
  ClosePackageFile();  // Windows lets nobody change a file the reader holds
  for (uint32_t length = fullSize; length-- > 0;) {
    const bool boundary = length < 16 || length + 16 > fullSize ||
                          (length + 16 > pkg::kHeaderSize && length < pkg::kHeaderSize + 16);
    if (!boundary && length % kSweepStride != 0) continue;
    fixture::Resize(index, length);
    const int code = Open();
    ClosePackageFile();
    // Shorter than the header: it cannot be read; else its size is wrong.
    ASSERT_EQ(length < pkg::kHeaderSize ? kOpenIndexReadError : kOpenSizeMismatch, code)
        << "prefix of " << length << " bytes";
  }
}

TEST_F(PackageDamageTest, EveryPrefixThatClaimsToBeWholeStopsWithAShortRead) {
  const std::vector<uint32_t> ends = EntryEnds();
  ASSERT_EQ(pkg::kFixedEntriesUsed + 3u, ends.size());
  ASSERT_EQ(fullSize, ends.back());
  std::vector<uint8_t> header = fixture::ReadAll(index);
  header.resize(pkg::kHeaderSize);
  for (uint32_t length = fullSize; length-- > pkg::kHeaderSize;) {
    if (length % kSweepStride != 0 && length + 16 < fullSize && length > pkg::kHeaderSize + 16)
      continue;
    SCOPED_TRACE("prefix of " + std::to_string(length) + " bytes");
    fixture::Resize(index, length);
    pkg::WriteU32(&header[pkg::kOffIndexFileSize], length);
    fixture::PatchU32(index, pkg::kOffIndexFileSize, length);
    fixture::PatchU32(index, pkg::kOffHeaderCrc, Crc32Jam(&header[4], pkg::kHeaderSize - 4));
    fs::remove_all(installDir);
    ASSERT_EQ(0, Open());
    ASSERT_EQ(kEntryShortRead, ExtractPackage());
    ClosePackageFile();
    // Exactly the entries that lie wholly inside the prefix were written.
    size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= length) ++whole;
    ASSERT_EQ(whole, FilesInstalled());
  }
}

TEST_F(PackageDamageTest, EveryPrefixOfADataPartStopsAtTheFileItCuts) {
  const fs::path part = fixture::PartFile(pkgDir, 1);
  const uint32_t partSize = static_cast<uint32_t>(fs::file_size(part));
  ASSERT_EQ(60u, partSize);
  for (uint32_t length = partSize; length-- > 0;) {
    SCOPED_TRACE("part prefix of " + std::to_string(length) + " bytes");
    fixture::Resize(part, length);
    fs::remove_all(installDir);
    fixture::SetHeaderU32(pkgDir, pkg::kOffPartSizes, partSize);
    ASSERT_EQ(kOpenPartSizeMismatch, Open());
    ClosePackageFile();
    fixture::SetHeaderU32(pkgDir, pkg::kOffPartSizes, length);
    ASSERT_EQ(0, Open());
    ASSERT_EQ(kMrPastPartEnd, ExtractPackage());
    for (uint32_t n = 1; n <= 3; ++n) EXPECT_EQ(20 * n <= length, Exists(extraction_support::MrPath(n)));
  }
}

TEST_F(PackageDamageTest, BitFlipsInTheHeaderAreRefused) {
  // Every bit of the fields in front of the tables, then one bit of every
  // byte of the tables (every n-th under Wine).
  for (uint32_t offset = 0; offset < pkg::kHeaderSize; ++offset) {
    const bool field = offset < pkg::kOffFixedEntryEnds;
    if (!field && offset % kSweepStride != 0) continue;
    for (uint32_t bit = 0; bit < 8; ++bit) {
      if (!field && bit != offset % 8) continue;
      fixture::FlipByte(index, offset, uint8_t(1u << bit));
      const int code = Open();
      ClosePackageFile();
      fixture::FlipByte(index, offset, uint8_t(1u << bit));
      const int expected = offset >= pkg::kOffIndexFileSize && offset < pkg::kOffIndexFileSize + 4
                               ? kOpenSizeMismatch
                           : offset >= pkg::kOffFormatVersion && offset < pkg::kOffFormatVersion + 4
                               ? kOpenBadVersion
                               : kOpenBadHeaderCrc;
      ASSERT_EQ(expected, code) << "byte " << offset << " bit " << bit;
    }
  }
  EXPECT_EQ(0, Open());
}

TEST_F(PackageDamageTest, BitFlipsInAnEntryAreCaughtWhereTheFormatProtects) {
  // Every bit of the first fixed entry: CRC 0-3, time 4-11, data 12-32, pad
  // 33-35. The CRC covers the data only, so a flipped time or pad byte
  // cannot be noticed: then the content must still come out unchanged.
  const uint32_t start = FirstEntryStart();
  const fs::path target = At(kFixedFiles[0]);
  for (uint32_t at = 0; at < 36; ++at) {
    for (uint32_t bit = 0; bit < 8; ++bit) {
      SCOPED_TRACE("entry byte " + std::to_string(at) + " bit " + std::to_string(bit));
      fs::remove_all(installDir);
      fixture::FlipByte(index, start + at, uint8_t(1u << bit));
      ASSERT_EQ(0, Open());
      const int code = ExtractPackage();
      ClosePackageFile();
      fixture::FlipByte(index, start + at, uint8_t(1u << bit));
      const bool unprotected = (at >= 4 && at < 12) || at >= 33;
      if (!unprotected) {
        ASSERT_EQ(kEntryBadCrc, code);
        ASSERT_FALSE(fs::exists(target));
        continue;
      }
      ASSERT_EQ(0, code);
      ASSERT_TRUE(fixture::ReadAll(target) == input.fixed[0]->bytes);
    }
  }
}

TEST_F(PackageDamageTest, BitFlipsInASongEntryAreCaught) {
  // One bit of every byte of the CRC and data (every n-th under Wine).
  const uint32_t start = SongEntryStart();
  const fs::path target = At(extraction_support::SongPath(7));
  for (uint32_t at = 0; at < 12 + 256; ++at) {
    if (at >= 4 && at < 12) continue;  // the time, not protected
    if (at % kSweepStride != 0 && at > 12) continue;
    SCOPED_TRACE("song entry byte " + std::to_string(at));
    fs::remove_all(installDir);
    fixture::FlipByte(index, start + at, uint8_t(1u << (at % 8)));
    ASSERT_EQ(0, Open());
    const int code = ExtractPackage();
    ClosePackageFile();
    fixture::FlipByte(index, start + at, uint8_t(1u << (at % 8)));
    ASSERT_EQ(kEntryBadCrc, code);
    ASSERT_FALSE(fs::exists(target));
    ASSERT_TRUE(fs::exists(At(kFixedFiles[pkg::kFixEventLst])));
  }
}

}  // namespace
