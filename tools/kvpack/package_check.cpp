// The checks behind `kvpack verify` and the walk behind `kvpack list`. All
// reading goes through the engine's reader, so a package that passes here is
// one the setup program accepts entry by entry.
#include "package_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <algorithm>
#include <charconv>
#include <set>

#include "engine/install_state.h"
#include "engine/name_check.h"
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

// "SongMR\\NN\\NNN.esz" for song k (0-999), composed by hand: the walk makes
// one for every present slot.
std::string SongLabel(uint32_t k) {
  char text[] = "SongMR\\00\\000.esz";
  text[7] = static_cast<char>('0' + k / 100);
  text[8] = static_cast<char>('0' + k / 10 % 10);
  text[10] = static_cast<char>('0' + k / 100);
  text[11] = static_cast<char>('0' + k / 10 % 10);
  text[12] = static_cast<char>('0' + k % 10);
  return text;
}

void Visit(EntryInfo::Kind kind, uint32_t number, uint32_t minLength,
           const std::function<void(const EntryInfo&)>& visit, bool* present = nullptr) {
  EntryInfo info;
  info.kind = kind;
  info.number = number;
  if (!TakeSlot(&info.start, &info.end)) return;
  info.present = info.start < info.end;
  if (info.present) info.code = ReadEntry(info.start, info.end, minLength, &info.view);
  if (present) *present = info.present;
  visit(info);
}

// A font's name as the open package holds it, up to its first NUL.
std::string FontNameShown(uint32_t f) {
  const uint8_t* field = packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * f;
  char16_t units[pkg::kFontNameBytes / 2];
  uint32_t n = 0;
  while (n < pkg::kFontNameBytes / 2 && (field[2 * n] | field[2 * n + 1])) {
    units[n] = static_cast<char16_t>(field[2 * n] | field[2 * n + 1] << 8);
    ++n;
  }
  return Utf8FromUtf16(std::u16string(units, n));
}

std::string LabelOf(EntryInfo::Kind kind, uint32_t number, const std::string& fontName) {
  switch (kind) {
    case EntryInfo::kFixed: return Utf8FromWide(pkg::kFixedEntryPaths[number]);
    case EntryInfo::kSong: return SongLabel(number);
    case EntryInfo::kFont: return "Fonts\\" + fontName;
    case EntryInfo::kFontInfo: return "Fonts\\Info\\" + fontName + ".ftb";
  }
  return "?";
}

bool IsFontKind(EntryInfo::Kind kind) { return kind == EntryInfo::kFont || kind == EntryInfo::kFontInfo; }

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

std::string EntryInfo::Label() const {
  return LabelOf(kind, number, IsFontKind(kind) ? FontNameShown(number) : std::string());
}

std::string EntrySummary::Label() const { return LabelOf(kind, number, fontName); }

std::string MrInfo::Label() const { return Format("MR\\%03u\\%05u.emr", (number - 1) / 100, number); }

void WalkEntries(const std::function<void(const EntryInfo&)>& visit) {
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) Visit(EntryInfo::kFixed, i, pkg::kMinFixedDataLength, visit);
  packageReader.entryCursor = pkg::kOffSongEntryEnds;
  for (uint32_t k = 0; k < pkg::kSongSlots; ++k) Visit(EntryInfo::kSong, k, pkg::kMinLibraryDataLength, visit);
  for (uint32_t f = 0; f < pkg::kFontNames; ++f) {
    bool present = false;
    Visit(EntryInfo::kFont, f, pkg::kMinLibraryDataLength, visit, &present);
    if (present) Visit(EntryInfo::kFontInfo, f, pkg::kMinLibraryDataLength, visit);
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

namespace {

// Entries that fail one after another with the same code make one problem
// line: an index whose offsets go wrong once puts every later entry out of
// bounds, and a thousand lines would hide the one that matters.
class FaultRun {
 public:
  explicit FaultRun(std::vector<std::string>& problems) : problems_(problems) {}
  void Add(const EntryInfo& e) {
    if (count_ > 0 && e.code == first_.code) {
      last_ = e;
      ++count_;
      return;
    }
    Flush();
    first_ = e;
    count_ = 1;
  }
  // Labels are made here, during the walk, while font names can be read.
  void Flush() {
    if (count_ == 1)
      problems_.push_back(Format("%s: %s (entry at %u, end value %u)", first_.Label().c_str(),
                                 EntryCodeMeaning(first_.code), first_.start, first_.end));
    else if (count_ > 1)
      problems_.push_back(Format("%s .. %s, %u entries: %s (the first at %u, end value %u)",
                                 first_.Label().c_str(), last_.Label().c_str(), count_,
                                 EntryCodeMeaning(first_.code), first_.start, first_.end));
    count_ = 0;
  }

 private:
  std::vector<std::string>& problems_;
  EntryInfo first_, last_;
  uint32_t count_ = 0;
};

// The entries against the index file: reader codes, unsafe font names and
// empty fixed entries are problems; pad bytes and uncovered bytes warnings.
void CheckEntries(VerifyReport& report, const std::function<void(uint64_t, uint64_t)>& progress) {
  const uint32_t indexSize = report.indexFileSize;
  const uint64_t total = installState.packageBytes;
  auto& problems = report.problems;
  const uint32_t firstStart = HeaderU32(pkg::kOffFirstEntryStart) & ~3u;
  if (firstStart != pkg::kHeaderSize)
    report.warnings.push_back(Format("KVSetup.dat: the first entry starts at %u, not directly behind "
                                     "the %u-byte header",
                                     firstStart, pkg::kHeaderSize));
  uint32_t lastEnd = firstStart;
  FaultRun faults{problems};
  std::string fontName;
  report.entryList.reserve(pkg::kFixedEntriesUsed + pkg::kSongSlots + pkg::kFontSlots);
  WalkEntries([&](const EntryInfo& e) {
    if (!e.present) {
      if (e.kind == EntryInfo::kFixed) {
        faults.Flush();
        problems.push_back(e.Label() + ": entry empty (the setup program requires it)");
      }
      return;
    }
    ++report.entries;
    // A font's info entry follows the font itself: one decoding serves both.
    if (e.kind == EntryInfo::kFont) fontName = FontNameShown(e.number);
    EntrySummary summary{e.kind, e.number, IsFontKind(e.kind) ? fontName : std::string(), e.start, e.end,
                         e.code, 0, 0};
    if (e.kind == EntryInfo::kFont) {
      // Only names of present fonts become paths; they must be bare names.
      wchar_t name[pkg::kFontNameBytes / 2 + 1];
      if (!DecodeFontName(packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * e.number,
                          name, pkg::kFontNameBytes / 2 + 1)) {
        faults.Flush();
        problems.push_back(Format("font name %u (\"%s\") is not a safe bare file name", e.number,
                                  summary.fontName.c_str()));
      }
    }
    if (e.code != kEntryOk) {
      faults.Add(e);
    } else {
      faults.Flush();
      summary.length = e.view.length;
      summary.lastWriteTime = e.view.lastWriteTime;
      const uint8_t* pad = e.view.data + e.view.length;
      for (uint32_t i = 0; i < (e.end & 3u); ++i)
        if (pad[i] != 0) {
          report.warnings.push_back(e.Label() + ": pad bytes are not zero (the setup program ignores them)");
          break;
        }
    }
    report.entryList.push_back(std::move(summary));
    lastEnd = e.end & ~3u;
    if (progress) progress(lastEnd, total);
  });
  faults.Flush();
  if (lastEnd < indexSize)
    report.warnings.push_back(Format("KVSetup.dat: %u bytes behind the last entry belong to no entry",
                                     indexSize - lastEnd));
}

// The MR table against the parts, record by record as extraction copies them.
void CheckMrTable(VerifyReport& report, const std::function<void(uint64_t, uint64_t)>& progress) {
  auto& problems = report.problems;
  const uint32_t partCount = static_cast<uint32_t>(report.partSizes.size());
  std::vector<uint64_t> covered(partCount + 1, 0);
  std::set<uint32_t> numbers;
  uint32_t lastPart = 0;
  uint32_t lastNumber = 0;
  uint64_t mrBytes = 0;
  for (const MrInfo& m : MrTable()) {
    ++report.mrRecords;
    report.records.push_back(m);
    std::string what = Format("MR record %u (%s)", m.record, m.Label().c_str());
    uint32_t partSize = report.partSizes[m.partIndex - 1];
    if (m.partIndex < lastPart) {
      problems.push_back(what + Format(": part %u comes after part %u; extraction never copies it",
                                       m.partIndex, lastPart));
      continue;
    }
    lastPart = m.partIndex;
    if (m.partOffset != covered[m.partIndex])
      problems.push_back(what + Format(": starts at %u, the previous file ended at %llu", m.partOffset,
                                       static_cast<unsigned long long>(covered[m.partIndex])));
    if (static_cast<uint64_t>(m.partOffset) + m.size > partSize)
      problems.push_back(what + Format(": runs past the end of part %u", m.partIndex));
    if (m.number == 0)
      problems.push_back(what + ": MR number 0 (its folder number wraps around)");
    else if (m.number < pkg::kFirstRemovedMr || m.number > pkg::kLastRemovedMr)
      report.warnings.push_back(what + Format(": MR number outside %u .. %u; removal will not delete it",
                                              pkg::kFirstRemovedMr, pkg::kLastRemovedMr));
    if (!numbers.insert(m.number).second)
      problems.push_back(what + ": MR number appears twice (the later file replaces the earlier)");
    else if (m.number < lastNumber)
      report.warnings.push_back(what + Format(": out of order, after MR number %u", lastNumber));
    lastNumber = std::max(lastNumber, m.number);
    covered[m.partIndex] = static_cast<uint64_t>(m.partOffset) + m.size;
    mrBytes += m.size;
    if (progress) progress(report.indexFileSize + mrBytes, installState.packageBytes);
  }
  for (uint32_t n = 1; n <= partCount; ++n)
    if (covered[n] < report.partSizes[n - 1])
      report.warnings.push_back(Format("KVSetup.d%02u: %llu bytes belong to no MR record", n,
                                       static_cast<unsigned long long>(report.partSizes[n - 1] - covered[n])));
}

// Texts here hold no NUL (names end at theirs), so the plain spans between
// the characters JSON escapes are found with strcspn and copied whole.
void AppendJsonString(std::string& out, const std::string& text) {
  static const char kEscaped[] =
      "\"\\\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
      "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f";
  out += '"';
  const char* p = text.c_str();
  const char* end = p + text.size();
  while (p < end) {
    const size_t plain = std::strcspn(p, kEscaped);
    out.append(p, plain);
    p += plain;
    if (p >= end) break;
    const unsigned char c = static_cast<unsigned char>(*p++);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += Format("\\u%04x", c);
    }
  }
  out += '"';
}

void AppendJsonStrings(std::string& out, const char* key, const std::vector<std::string>& items) {
  out += Format(",\n  \"%s\": [", key);
  for (size_t i = 0; i < items.size(); ++i) {
    out += i ? ",\n    " : "\n    ";
    AppendJsonString(out, items[i]);
  }
  out += items.empty() ? "]" : "\n  ]";
}

// `, "key": value`, without printf: the entries are the bulk of a report.
template <typename Integer>
void AppendJsonNumber(std::string& out, const char* key, Integer value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  out += ", \"";
  out += key;
  out += "\": ";
  out.append(digits, end.ptr);
}

const char* KindName(EntryInfo::Kind kind) {
  switch (kind) {
    case EntryInfo::kFixed: return "fixed";
    case EntryInfo::kSong: return "song";
    case EntryInfo::kFont: return "font";
    case EntryInfo::kFontInfo: return "font info";
  }
  return "?";
}

}  // namespace

VerifyReport VerifyPackage(const fs::path& dir, const std::function<void(uint64_t, uint64_t)>& progress) {
  VerifyReport report;
  report.openCode = OpenPackageFolder(dir);
  if (report.openCode != kOpenOk) {
    report.problems.push_back(Format("open: %d (%s)", report.openCode, OpenCodeMeaning(report.openCode)));
    ClosePackageFile();
    return report;
  }
  for (int i = 0; i < 9; ++i) report.versionWords[i] = HeaderU32(pkg::kOffVersionWords + 4 * i);
  report.indexFileSize = HeaderU32(pkg::kOffIndexFileSize);
  for (uint32_t n = 1; n <= HeaderU32(pkg::kOffPartCount); ++n)
    report.partSizes.push_back(HeaderU32(pkg::kOffPartSizes + 4 * (n - 1)));
  CheckEntries(report, progress);
  CheckMrTable(report, progress);
  ClosePackageFile();
  return report;
}

std::string ReportJson(const VerifyReport& r) {
  // One allocation for the whole document: a hostile package's report runs to
  // a thousand entries, and growing by doubling copies it over and over.
  size_t size = 1024 + 200 * r.entryList.size() + 240 * r.records.size();
  for (const std::string& t : r.problems) size += t.size() + 8;
  for (const std::string& t : r.warnings) size += t.size() + 8;
  std::string out;
  out.reserve(size);
  out += Format("{\n  \"open\": {\"code\": %d, \"meaning\": ", r.openCode);
  AppendJsonString(out, OpenCodeMeaning(r.openCode));
  out += "},\n  \"sound\": ";
  out += r.sound() ? "true" : "false";
  out += ",\n  \"versionWords\": [";
  for (int i = 0; i < 9; ++i) out += Format("%s%u", i ? ", " : "", r.versionWords[i]);
  out += Format("],\n  \"indexFileSize\": %u,\n  \"partSizes\": [", r.indexFileSize);
  for (size_t i = 0; i < r.partSizes.size(); ++i) out += Format("%s%u", i ? ", " : "", r.partSizes[i]);
  out += "],\n  \"entries\": [";
  for (size_t i = 0; i < r.entryList.size(); ++i) {
    const EntrySummary& e = r.entryList[i];
    out += i ? ",\n    {\"path\": " : "\n    {\"path\": ";
    AppendJsonString(out, e.Label());
    out += ", \"kind\": \"";
    out += KindName(e.kind);
    out += '"';
    AppendJsonNumber(out, "offset", e.start);
    AppendJsonNumber(out, "end", e.end);
    AppendJsonNumber(out, "code", e.code);
    if (e.code == kEntryOk) {
      AppendJsonNumber(out, "bytes", e.length);
      AppendJsonNumber(out, "fileTime", e.lastWriteTime);
      out += ", \"written\": \"" + FormatFileTime(e.lastWriteTime) + '"';
    }
    out += "}";
  }
  out += r.entryList.empty() ? "],\n  \"records\": [" : "\n  ],\n  \"records\": [";
  for (size_t i = 0; i < r.records.size(); ++i) {
    const MrInfo& m = r.records[i];
    out += Format("%s{\"record\": %u, \"number\": %u, \"path\": ", i ? ",\n    " : "\n    ", m.record,
                  m.number);
    AppendJsonString(out, m.Label());
    out += Format(", \"part\": %u, \"offset\": %u, \"bytes\": %u, \"fileTime\": %llu, \"written\": \"%s\"}",
                  m.partIndex, m.partOffset, m.size, static_cast<unsigned long long>(m.lastWriteTime),
                  FormatFileTime(m.lastWriteTime).c_str());
  }
  out += r.records.empty() ? "]" : "\n  ]";
  AppendJsonStrings(out, "problems", r.problems);
  AppendJsonStrings(out, "warnings", r.warnings);
  out += "\n}\n";
  return out;
}

}  // namespace kvpack
