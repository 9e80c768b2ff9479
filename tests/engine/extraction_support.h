// Shared fixture of the extraction tests: a scratch package and install
// folder, the engine pointed at them, and checks of the installed files
// (content and last-write time). Header only; the package itself comes from
// package_fixture.h.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/install_state.h"
#include "engine/package_format.h"
#include "engine/package_reader.h"
#include "tests/engine/package_fixture.h"
#include "tools/kvpack/text.h"

namespace extraction_support {

namespace fs = std::filesystem;

// 100 ns intervals between 1601-01-01 and 1970-01-01.
using os::kUnixEpochAsFileTime;

// The fixed files in package order, relative to the install folder.
inline const char* const kFixedFiles[pkg::kFixedEntriesUsed] = {
    u8"Driver/haspdinst.exe", u8"Driver/키락재설치.exe", u8"Driver/FTDIDriver.zip",
    u8"Korvane.exe", u8"KorvaneUp.exe", u8"KVUpdater.exe", u8"Korvane.snl", u8"KVVersion.bin",
    u8"KVUpdater.bin", u8"Doc/Korvane사용설명서.pdf", u8"Doc/Korvane퀵가이드.pdf",
    u8"User/Effect.set", u8"User/UserKey.set", u8"User/VolInstMR.set", u8"User/Volume.set",
    u8"User/Bass.dsc", u8"User/Drum.dsc", u8"User/Gigaki.dsc", u8"User/Event.lst",
};

inline std::string SongPath(uint32_t song) {
  char text[32];
  std::snprintf(text, sizeof text, "SongMR/%02u/%03u.esz", song / 10, song);
  return text;
}

inline std::string MrPath(uint32_t number) {
  char text[48];
  std::snprintf(text, sizeof text, "MR/%03u/%05u.emr", (number - 1) / 100, number);
  return text;
}

// Last-write time of a file in whole seconds since 1970.
inline int64_t LastWriteSeconds(const fs::path& file) {
#ifdef _WIN32
  struct _stat64 st;
  if (_wstat64(file.c_str(), &st) != 0) return -1;
#else
  struct stat st;
  if (stat(file.c_str(), &st) != 0) return -1;
#endif
  return static_cast<int64_t>(st.st_mtime);
}

class ExtractionTest : public ::testing::Test {
 protected:
  fixture::Scratch scratch;
  fs::path pkgDir = scratch / "pkg";
  fs::path installDir = scratch / "Tavenor";
  kvpack::PackageInput input = fixture::SmallInput();

  // Points the engine at pkgDir and installDir and checks the package.
  int Open(uint32_t features = 7) {
    fixture::PointEngine(pkgDir, installDir);
    installState.featureFlags.store(features);
    installState.runFlag.store(1);
    return OpenSetupPackage();
  }
  int WriteAndOpen(uint32_t features = 7, uint64_t partLimit = kvpack::kDefaultPartLimit) {
    if (!fixture::Write(input, pkgDir, partLimit)) return -100;
    return Open(features);
  }

  fs::path At(const std::string& utf8) const { return installDir / fs::u8path(utf8); }
  bool Exists(const std::string& utf8) const { return fs::exists(At(utf8)); }

  // The path as the engine formats it (what stepCaption shows).
  std::wstring EnginePath(const std::string& utf8) const {
    std::wstring relative = kvpack::WideFromUtf8(utf8).value_or(L"?");
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    return std::wstring(installState.installDir) + L"\\" + relative;
  }
  static std::wstring Caption() {
    wchar_t text[kPathUnits];
    CopyStepCaption(text);
    return text;
  }

  void ExpectFile(const std::string& utf8, const kvpack::Content& content) const {
    SCOPED_TRACE(utf8);
    ASSERT_TRUE(fs::is_regular_file(At(utf8)));
    EXPECT_TRUE(fixture::ReadAll(At(utf8)) == content.bytes);
    EXPECT_EQ(static_cast<int64_t>((content.lastWriteTime - kUnixEpochAsFileTime) / 10000000),
              LastWriteSeconds(At(utf8)));
  }

  // Offset in the index file where the entry of an end-offset slot starts:
  // where the entry of the walk's previous slot ended.
  uint32_t EntryStart(uint32_t slot) const {
    const fs::path index = fixture::IndexFile(pkgDir);
    if (slot == pkg::kOffFixedEntryEnds)
      return fixture::ReadU32At(index, pkg::kOffFirstEntryStart) & ~3u;
    const uint32_t previous =
        slot == pkg::kOffSongEntryEnds ? pkg::kOffFixedEntryEnds + 4 * 18 : slot - 4;
    return fixture::ReadU32At(index, previous) & ~3u;
  }
  // Flips a bit in the first data byte of that entry (its CRC then fails).
  void DamageEntryData(uint32_t slot) {
    fixture::FlipByte(fixture::IndexFile(pkgDir), EntryStart(slot) + pkg::kEntryHeaderSize);
  }

  // Adds data part n of `size` bytes that no MR record names.
  void AddUnnamedPart(uint32_t n, uint32_t size) {
    std::ofstream(fixture::PartFile(pkgDir, n), std::ios::binary)
        << std::string(size, '\x5A');
    fixture::SetHeaderU32(pkgDir, pkg::kOffPartCount, n);
    fixture::SetHeaderU32(pkgDir, pkg::kOffPartSizes + 4 * (n - 1), size);
  }
};

}  // namespace extraction_support
