// libFuzzer target: an input becomes a setup package (index file plus at most
// one data part), which the setup program's own OpenSetupPackage and
// ExtractPackage then take into a scratch install folder. Besides crashes and
// sanitizer reports, any file that appears outside the install folder aborts.
//
// Input: flags u8 | index length u32 | index bytes | part bytes.
// Flags make the fuzzer's work reach past the checks it cannot forge:
//   bit 0: set indexFileSize and headerCrc to match the bytes given
//   bit 1: set every in-range entry CRC of the walk to match its data
//   bit 2: set partCount to 1 and partSizes[0] to the part's length
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "crc32.h"
#include "extraction.h"
#include "install_state.h"
#include "package_format.h"
#include "package_reader.h"

namespace fs = std::filesystem;

namespace {

// The install folder lies twelve levels below the scratch root, so that a
// name climbing up with ".." (at most 35 units) still lands inside it.
struct Scratch {
  fs::path root, pkg, install;
  Scratch() {
    root = fs::temp_directory_path() / ("kvfuzz." + std::to_string(getpid()));
    fs::remove_all(root);
    pkg = root / "pkg";
    fs::path deep = root / "d";
    for (int i = 0; i < 11; ++i) deep /= "d";
    install = deep / "inst";
    fs::create_directories(pkg);
    fs::create_directories(deep);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

void WriteFile(const fs::path& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// Sets the entry CRCs along the walk that extraction takes, where the span
// lies inside the index file.
void FixEntryCrcs(std::vector<uint8_t>& index) {
  uint32_t start = pkg::ReadU32(&index[pkg::kOffFirstEntryStart]) & ~3u;
  auto fix = [&](uint32_t slot) {
    const uint32_t end = pkg::ReadU32(&index[slot]);
    const uint32_t aligned = end & ~3u;
    if (start < end && aligned >= start + pkg::kEntryHeaderSize + (end & 3u) &&
        aligned <= index.size()) {
      const uint32_t length = aligned - start - (end & 3u) - pkg::kEntryHeaderSize;
      pkg::WriteU32(&index[start], Crc32Jam(&index[start + pkg::kEntryHeaderSize], length));
    }
    start = end & ~3u;
  };
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) fix(pkg::kOffFixedEntryEnds + 4 * i);
  for (uint32_t i = 0; i < pkg::kSongSlots + pkg::kFontSlots; ++i)
    fix(pkg::kOffSongEntryEnds + 4 * i);
}

// Every path below the scratch root must be the package, the install folder
// or something inside it, or one of the folders leading to it.
void CheckNothingOutside(const Scratch& s) {
  for (auto it = fs::recursive_directory_iterator(s.root); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path p = it->path();
    const std::string text = p.string();
    const std::string inst = s.install.string();
    if (text.compare(0, inst.size(), inst) == 0 &&
        (text.size() == inst.size() || text[inst.size()] == '/'))
      continue;
    if (p.parent_path() == s.pkg || p == s.pkg) continue;
    if (inst.compare(0, text.size(), text) == 0 && inst[text.size()] == '/' &&
        it->is_directory() && !it->is_symlink())
      continue;
    std::fprintf(stderr, "written outside the install folder: %s\n", text.c_str());
    std::abort();
  }
}

void SetPath(wchar_t (&out)[kPathUnits], const fs::path& path) {
  const std::wstring w = path.wstring();
  if (w.size() >= kPathUnits) std::abort();
  std::wmemcpy(out, w.c_str(), w.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  Scratch& s = TheScratch();
  const uint8_t flags = data[0];
  uint32_t indexLength = pkg::ReadU32(data + 1);
  data += 5;
  size -= 5;
  if (indexLength > size) indexLength = static_cast<uint32_t>(size);
  std::vector<uint8_t> index(data, data + indexLength);
  const uint8_t* part = data + indexLength;
  const size_t partLength = size - indexLength;

  if (index.size() >= pkg::kHeaderSize) {
    if (flags & 4) {
      pkg::WriteU32(&index[pkg::kOffPartCount], 1);
      pkg::WriteU32(&index[pkg::kOffPartSizes], static_cast<uint32_t>(partLength));
    }
    if (flags & 2) FixEntryCrcs(index);
    if (flags & 1) {
      pkg::WriteU32(&index[pkg::kOffIndexFileSize], static_cast<uint32_t>(index.size()));
      pkg::WriteU32(&index[pkg::kOffHeaderCrc], Crc32Jam(&index[4], pkg::kHeaderSize - 4));
    }
  }

  std::error_code ec;
  fs::remove_all(s.install, ec);
  fs::remove(s.pkg / "KVSetup.d01", ec);
  WriteFile(s.pkg / "KVSetup.dat", index.data(), index.size());
  if (partLength) WriteFile(s.pkg / "KVSetup.d01", part, partLength);

  ResetInstallState();
  SetPath(installState.setupDir, s.pkg);
  SetPath(installState.installDir, s.install);
  installState.featureFlags.store(flags & 8 ? 3 : 7);
  installState.runFlag.store(1);
  if (OpenSetupPackage() == 0) ExtractPackage();
  ClosePackageFile();
  CheckNothingOutside(s);
  return 0;
}
