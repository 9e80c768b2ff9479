// Test support for the package reader and extraction tests: packages
// described in memory and written by kvpack's writer, the engine pointed at
// them, and hooks to damage the written files. Works natively and under Wine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/kvpack/package_writer.h"

namespace fixture {

namespace fs = std::filesystem;

constexpr uint64_t kTime = 132539328000000000ull;  // 2021-01-01 00:00 UTC as FILETIME

// n pseudo-random bytes, the same for the same seed.
std::vector<uint8_t> Bytes(size_t n, uint32_t seed);
// A packaged file of n such bytes dated kTime + seed seconds.
kvpack::Content Data(size_t n, uint32_t seed);

// A small sound package: all 19 fixed files (16 .. 160 bytes, mixed pad
// counts), songs 0, 4, 6, 17 and 999, fonts "Alpha.ttf" (with info),
// "베타.ttf" (no info) and an absent "Gamma.ttf", and MR files 1, 2, 100, 101
// and 90001 (sizes 360 .. 600, no two together within 700).
kvpack::PackageInput SmallInput();

// A folder of its own under the temporary folder, removed with its content.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// Closes the reader and writes the package into dir. Rules are off unless
// strict, so damaged contents (short entries, missing fixed files, odd names)
// can be written.
// Records a test failure and returns false when the writer refuses.
bool Write(const kvpack::PackageInput& input, const fs::path& dir,
           uint64_t partLimit = kvpack::kDefaultPartLimit, bool strict = false);

// The engine's wide form of a path.
std::wstring Wide(const fs::path& path);
// Resets InstallState, closes the reader, and points setupDir and installDir
// at the given folders.
void PointEngine(const fs::path& setupDir, const fs::path& installDir);

fs::path IndexFile(const fs::path& dir);
fs::path PartFile(const fs::path& dir, uint32_t n);

std::vector<uint8_t> ReadAll(const fs::path& file);
uint32_t ReadU32At(const fs::path& file, uint64_t offset);
void PatchU32(const fs::path& file, uint64_t offset, uint32_t value);
void FlipByte(const fs::path& file, uint64_t offset, uint8_t mask = 0x01);
void Resize(const fs::path& file, uint64_t size);
// Recomputes headerCrc over the header of an index file.
void RefreshHeaderCrc(const fs::path& indexFile);
// Sets a header word of dir's index file and refreshes headerCrc.
void SetHeaderU32(const fs::path& dir, uint32_t offset, uint32_t value);

}  // namespace fixture
