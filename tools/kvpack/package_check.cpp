// The checks behind `kvpack verify` and the walk behind `kvpack list`. All
// reading goes through the engine's reader, so a package that passes here is
// one the setup program accepts entry by entry.
#include "package_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <set>

#include "engine/install_state.h"
#include "engine/name_check.h"
#include "package_writer.h"
#include "text.h"

namespace kvpack {

namespace fs = std::filesystem;

namespace {

bool SetPath(wchar_t (&out)[kPathUnits], const fs::path& path) {
  std::optional<std::wstring> wide = WideFromPath(path);
  if (!wide || wide->empty() || wide->size() >= static_cast<size_t>(kPathUnits)) return false;
  std::wcsncpy(out, wide->c_str(), kPathUnits);
  return true;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

void Visit(EntryInfo::Kind kind, uint32_t number, const std::string& label, uint32_t minLength,
           const std::function<void(const EntryInfo&)>& visit, bool* present = nullptr) {
  EntryInfo info;
  info.kind = kind;
  info.number = number;
  info.label = label;
  if (!TakeSlot(&info.start, &info.end)) return;
  info.present = info.start < info.end;
  if (info.present) info.code = ReadEntry(info.start, info.end, minLength, &info.view);
  if (present) *present = info.present;
  visit(info);
}

}  // namespace

int OpenPackageFolder(const fs::path& dir) {
  ClosePackageFile();
  ResetInstallState();
  // OpenSetupPackage makes installDir when it is missing; pointed at the
  // package folder itself, which must exist, it makes nothing.
  if (!SetPath(installState.setupDir, dir) || !os::PathExists(installState.setupDir))
    return kOpenIndexMissing;
  std::wcsncpy(installState.installDir, installState.setupDir, kPathUnits);
  return OpenSetupPackage();
}

void WalkEntries(const std::function<void(const EntryInfo&)>& visit) {
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i)
    Visit(EntryInfo::kFixed, i, Utf8FromWide(pkg::kFixedEntryPaths[i]), pkg::kMinFixedDataLength,
          visit);
  packageReader.entryCursor = pkg::kOffSongEntryEnds;
  for (uint32_t k = 0; k < pkg::kSongSlots; ++k)
    Visit(EntryInfo::kSong, k, Format("SongMR\\%02u\\%03u.esz", k / 10, k),
          pkg::kMinLibraryDataLength, visit);
  for (uint32_t f = 0; f < pkg::kFontNames; ++f) {
    const uint8_t* field = packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * f;
    std::u16string name;
    for (uint32_t u = 0; u < pkg::kFontNameBytes / 2 && (field[2 * u] | field[2 * u + 1]); ++u)
      name += static_cast<char16_t>(field[2 * u] | field[2 * u + 1] << 8);
    std::string shown = Utf8FromUtf16(name);
    bool present = false;
    Visit(EntryInfo::kFont, f, "Fonts\\" + shown, pkg::kMinLibraryDataLength, visit, &present);
    if (present)
      Visit(EntryInfo::kFontInfo, f, "Fonts\\Info\\" + shown + ".ftb", pkg::kMinLibraryDataLength,
            visit);
  }
}

std::vector<MrInfo> MrTable() {
  std::vector<MrInfo> table;
  uint32_t partCount = HeaderU32(pkg::kOffPartCount);
  for (uint32_t r = 0; r < pkg::kMrRecords; ++r) {
    uint32_t base = pkg::kOffMrRecords + pkg::kMrRecordSize * r;
    MrInfo m;
    m.record = r;
    m.partIndex = HeaderU32(base + pkg::kMrOffPartIndex);
    if (m.partIndex < 1 || m.partIndex > partCount) break;
    m.number = HeaderU32(base + pkg::kMrOffNumber);
    m.partOffset = HeaderU32(base + pkg::kMrOffPartOffset);
    m.size = HeaderU32(base + pkg::kMrOffSize);
    m.lastWriteTime = pkg::ReadU64(packageReader.header + base + pkg::kMrOffLastWriteTime);
    table.push_back(m);
  }
  return table;
}

VerifyReport VerifyPackage(const fs::path& dir, const std::function<void(uint64_t, uint64_t)>& progress) {
  VerifyReport report;
  report.openCode = OpenPackageFolder(dir);
  if (report.openCode != kOpenOk) {
    ClosePackageFile();
    return report;
  }
  const uint64_t indexSize = HeaderU32(pkg::kOffIndexFileSize);
  const uint64_t total = installState.packageBytes;
  auto& problems = report.problems;

  uint32_t lastEnd = HeaderU32(pkg::kOffFirstEntryStart) & ~3u;
  WalkEntries([&](const EntryInfo& e) {
    if (!e.present) {
      if (e.kind == EntryInfo::kFixed)
        problems.push_back(e.label + ": entry empty (the setup program requires it)");
      return;
    }
    ++report.entries;
    if (e.kind == EntryInfo::kFont) {
      // Only names of present fonts become paths; they must be bare names.
      wchar_t name[pkg::kFontNameBytes / 2 + 1];
      if (!DecodeFontName(packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * e.number,
                          name, pkg::kFontNameBytes / 2 + 1))
        problems.push_back(Format("font name %u (\"%s\") is not a safe bare file name", e.number,
                                  e.label.c_str() + 6));
    }
    if (e.code != kEntryOk) {
      problems.push_back(Format("%s: %s (entry at %u, end value %u)", e.label.c_str(),
                                EntryCodeMeaning(e.code), e.start, e.end));
    } else {
      const uint8_t* pad = e.view.data + e.view.length;
      for (uint32_t i = 0; i < (e.end & 3u); ++i)
        if (pad[i] != 0) {
          problems.push_back(e.label + ": pad bytes are not zero");
          break;
        }
    }
    lastEnd = e.end & ~3u;
    if (progress) progress(lastEnd, total);
  });
  if (lastEnd < indexSize)
    problems.push_back(Format("KVSetup.dat: %llu bytes behind the last entry belong to no entry",
                              static_cast<unsigned long long>(indexSize - lastEnd)));

  // The MR table against the parts.
  const uint32_t partCount = HeaderU32(pkg::kOffPartCount);
  std::vector<uint64_t> covered(partCount + 1, 0);
  std::set<uint32_t> numbers;
  uint32_t lastPart = 0;
  uint64_t mrBytes = 0;
  for (const MrInfo& m : MrTable()) {
    ++report.mrRecords;
    std::string what = Format("MR record %u (%05u.emr)", m.record, m.number);
    uint32_t partSize = HeaderU32(pkg::kOffPartSizes + 4 * (m.partIndex - 1));
    if (m.partIndex < lastPart) {
      problems.push_back(what + ": part " + std::to_string(m.partIndex) +
                         " comes after part " + std::to_string(lastPart) + "; it would never be read");
      continue;
    }
    lastPart = m.partIndex;
    if (m.partOffset != covered[m.partIndex])
      problems.push_back(what + Format(": starts at %u, the previous file ended at %llu", m.partOffset,
                                       static_cast<unsigned long long>(covered[m.partIndex])));
    if (static_cast<uint64_t>(m.partOffset) + m.size > partSize)
      problems.push_back(what + Format(": runs past the end of part %u", m.partIndex));
    if (m.size > pkg::kTransferBufferSize) problems.push_back(what + ": larger than the transfer buffer");
    if (m.number < 1 || m.number > 99999) problems.push_back(what + ": MR number out of range 1 .. 99999");
    if (!numbers.insert(m.number).second) problems.push_back(what + ": MR number appears twice");
    covered[m.partIndex] = static_cast<uint64_t>(m.partOffset) + m.size;
    mrBytes += m.size;
    if (progress) progress(indexSize + mrBytes, total);
  }
  for (uint32_t n = 1; n <= partCount; ++n) {
    uint32_t partSize = HeaderU32(pkg::kOffPartSizes + 4 * (n - 1));
    if (covered[n] < partSize)
      problems.push_back(Format("KVSetup.d%02u: %llu bytes belong to no MR record", n,
                                static_cast<unsigned long long>(partSize - covered[n])));
  }
  ClosePackageFile();
  return report;
}

}  // namespace kvpack
