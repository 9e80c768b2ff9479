// Sample staging trees: content from a seeded generator, sizes shared out of
// the scale (a quarter to songs, a tenth to fonts, the rest to MR files), and
// a fixed last-write time per file so that two runs give the same tree.
#include "sample.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <vector>

#include "engine/package_format.h"
#include "file_io.h"
#include "text.h"

namespace kvpack {

namespace fs = std::filesystem;

namespace {

uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

class SampleWriter {
 public:
  explicit SampleWriter(std::string* error) : error_(error) {}

  // Writes size bytes seeded by seed, dated 2021-01-01 plus seed minutes.
  bool File(const fs::path& path, uint64_t size, uint64_t seed) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    buffer_.resize((size + 7) & ~uint64_t(7));
    uint64_t state = seed * 0x2545F4914F6CDD1Dull + 1;
    for (size_t i = 0; i < buffer_.size(); i += 8) {
      uint64_t v = SplitMix(state);
      std::copy(reinterpret_cast<const uint8_t*>(&v), reinterpret_cast<const uint8_t*>(&v) + 8,
                buffer_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    io::File out;
    std::string reason;
    io::RemoveFile(path, &reason);  // CreateNew says why when it stayed
    if (!out.CreateNew(path, &reason) || !out.Write(buffer_.data(), size, &reason) || !out.Close(&reason)) {
      *error_ = "cannot write " + Utf8FromPath(path) + ": " + reason;
      return false;
    }
    // 2021-01-01 plus seed minutes, plus a few hundred nanoseconds.
    constexpr uint64_t k2021 = 132539328000000000ull;
    io::SetLastWriteTime(path, k2021 + (seed % 1000000) * 600000000ull + seed % 7);
    return true;
  }

 private:
  std::string* error_;
  std::vector<uint8_t> buffer_;
};

// A size around average (+-25 %), never below floor.
uint64_t Vary(uint64_t average, uint64_t seed, uint64_t floor) {
  uint64_t state = seed;
  uint64_t spread = average / 2;
  uint64_t size = average - average / 4 + (spread ? SplitMix(state) % (spread + 1) : 0);
  return std::max(size, floor);
}

}  // namespace

bool WriteSample(const fs::path& staging, const SampleOptions& o, std::string* error) {
  if (o.songs > 1000 || o.fonts > 128 || o.mrFiles > 2000) {
    *error = "at most 1000 songs, 128 fonts and 2000 MR files";
    return false;
  }
  SampleWriter w(error);
  uint64_t seed = 1;
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    std::string rel = Utf8FromWide(pkg::kFixedEntryPaths[i]);
    std::replace(rel.begin(), rel.end(), '\\', '/');
    if (!w.File(staging / PathFromUtf8(rel), 16 + (seed * 977) % 4000, seed)) return false;
    ++seed;
  }
  uint64_t songAverage = o.songs ? o.scale / 4 / o.songs : 0;
  for (uint32_t i = 0; i < o.songs; ++i) {
    uint32_t number = i * 1000 / o.songs;
    char rel[32];
    std::snprintf(rel, sizeof rel, "SongMR/%02u/%03u.esz", number / 10, number);
    if (!w.File(staging / PathFromUtf8(rel), Vary(songAverage, seed, 256), seed)) return false;
    ++seed;
  }
  uint64_t fontAverage = o.fonts ? o.scale / 10 / o.fonts : 0;
  for (uint32_t i = 0; i < o.fonts; ++i) {
    // Every third name is Korean, as most of the shipped fonts are.
    char name[64];
    if (i % 3 == 1) std::snprintf(name, sizeof name, "샘플글꼴%03u.ttf", i);
    else std::snprintf(name, sizeof name, "SampleFont%03u.ttf", i);
    if (!w.File(staging / "Fonts" / PathFromUtf8(name), Vary(fontAverage, seed, 256), seed)) return false;
    ++seed;
    if (i % 4 != 3) {
      if (!w.File(staging / "Fonts" / "Info" / PathFromUtf8(std::string(name) + ".ftb"), 256 + seed % 700, seed))
        return false;
      ++seed;
    }
  }
  uint64_t used = songAverage * o.songs + fontAverage * o.fonts;
  uint64_t mrAverage = o.mrFiles && o.scale > used ? (o.scale - used) / o.mrFiles : 0;
  for (uint32_t number = 1; number <= o.mrFiles; ++number) {
    char rel[32];
    std::snprintf(rel, sizeof rel, "MR/%03u/%05u.emr", (number - 1) / 100, number);
    if (!w.File(staging / PathFromUtf8(rel), Vary(mrAverage, seed, 1), seed)) return false;
    ++seed;
  }
  std::error_code ec;
  fs::create_directories(staging / "Log", ec);
  fs::create_directories(staging / "Playlist", ec);
  return true;
}

}  // namespace kvpack
