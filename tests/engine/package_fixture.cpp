// Crafted packages for the engine tests (see package_fixture.h).
#include "tests/engine/package_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <system_error>

#include "engine/crc32.h"
#include "engine/install_state.h"
#include "engine/package_reader.h"
#include "tools/kvpack/text.h"

namespace fixture {

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  uint32_t x = seed * 2654435761u + 12345;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    out[i] = static_cast<uint8_t>(x >> 7);
  }
  return out;
}

kvpack::Content Data(size_t n, uint32_t seed) {
  return kvpack::Content::FromBytes(Bytes(n, seed), kTime + uint64_t(seed) * 10000000);
}

kvpack::PackageInput SmallInput() {
  kvpack::PackageInput in;
  for (uint32_t i = 0; i < 9; ++i) in.versionWords[i] = 0x01020300u + i;
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) in.fixed[i] = Data(16 + 9 * i, 100 + i);
  for (uint32_t song : {0u, 4u, 6u, 17u, 999u}) in.songs[song] = Data(256 + song % 7, 200 + song);
  kvpack::FontInput alpha{u"Alpha.ttf", Data(300, 301), Data(257, 302)};
  kvpack::FontInput beta{u"베타.ttf", Data(258, 303), std::nullopt};
  kvpack::FontInput gamma{u"Gamma.ttf", std::nullopt, std::nullopt};
  in.fonts = {alpha, beta, gamma};
  uint32_t seed = 400;
  for (uint32_t number : {1u, 2u, 100u, 101u, 90001u})
    in.mrFiles.push_back({number, Data(360 + 60 * (seed - 400), seed)}), ++seed;
  return in;
}

Scratch::Scratch() {
  std::random_device rd;
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = fs::current_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = base / ("kvtest-" + std::to_string(rd()) + std::to_string(attempt));
    if (fs::create_directory(path_, ec)) return;
  }
  ADD_FAILURE() << "no scratch folder under " << base.string();
}

Scratch::~Scratch() {
  ClosePackageFile();  // Windows cannot remove an open file
  std::error_code ec;
  fs::remove_all(path_, ec);
}

bool Write(const kvpack::PackageInput& input, const fs::path& dir, uint64_t partLimit, bool strict) {
  ClosePackageFile();  // Windows refuses to rewrite a file the reader holds open
  kvpack::WriteOptions options;
  options.partLimit = partLimit;
  options.enforceRules = strict;
  std::string error;
  bool ok = kvpack::WritePackage(input, dir, options, &error);
  EXPECT_TRUE(ok) << error;
  return ok;
}

std::wstring Wide(const fs::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return kvpack::WideFromUtf8(path.string()).value_or(L"");
#endif
}

void PointEngine(const fs::path& setupDir, const fs::path& installDir) {
  ClosePackageFile();
  ResetInstallState();
  std::wstring setup = Wide(setupDir), install = Wide(installDir);
  ASSERT_LT(setup.size(), size_t(kPathUnits));
  ASSERT_LT(install.size(), size_t(kPathUnits));
  std::wcsncpy(installState.setupDir, setup.c_str(), kPathUnits);
  std::wcsncpy(installState.installDir, install.c_str(), kPathUnits);
}

fs::path IndexFile(const fs::path& dir) { return dir / "KVSetup.dat"; }
fs::path PartFile(const fs::path& dir, uint32_t n) { return dir / kvpack::PartFileName(n); }

std::vector<uint8_t> ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t ReadU32At(const fs::path& file, uint64_t offset) {
  uint8_t b[4] = {};
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(b), 4);
  EXPECT_TRUE(in) << "read at " << offset << " of " << file.string();
  return pkg::ReadU32(b);
}

namespace {
void Patch(const fs::path& file, uint64_t offset, const uint8_t* bytes, size_t n) {
  std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
  io.seekp(static_cast<std::streamoff>(offset));
  io.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(n));
  EXPECT_TRUE(io) << "patch at " << offset << " of " << file.string();
}
}  // namespace

void PatchU32(const fs::path& file, uint64_t offset, uint32_t value) {
  uint8_t b[4];
  pkg::WriteU32(b, value);
  Patch(file, offset, b, 4);
}

void FlipByte(const fs::path& file, uint64_t offset, uint8_t mask) {
  uint8_t b = 0;
  {
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(&b), 1);
    EXPECT_TRUE(in) << "read at " << offset << " of " << file.string();
  }
  b ^= mask;
  Patch(file, offset, &b, 1);
}

void Resize(const fs::path& file, uint64_t size) {
  std::error_code ec;
  fs::resize_file(file, size, ec);
  EXPECT_FALSE(ec) << "resize " << file.string() << ": " << ec.message();
}

void RefreshHeaderCrc(const fs::path& indexFile) {
  std::vector<uint8_t> header(pkg::kHeaderSize);
  std::ifstream in(indexFile, std::ios::binary);
  in.read(reinterpret_cast<char*>(header.data()), pkg::kHeaderSize);
  ASSERT_TRUE(in) << "header of " << indexFile.string();
  in.close();
  PatchU32(indexFile, pkg::kOffHeaderCrc, Crc32JamTable(header.data() + 4, pkg::kHeaderSize - 4));
}

void SetHeaderU32(const fs::path& dir, uint32_t offset, uint32_t value) {
  PatchU32(IndexFile(dir), offset, value);
  RefreshHeaderCrc(IndexFile(dir));
}

}  // namespace fixture
