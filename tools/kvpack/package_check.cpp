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
#include "engine/package_binding.h"
#include "engine/sha256.h"
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

// Appends texts and unsigned numbers without printf: verify words a line for
// every run of failing entries, and a hostile index makes hundreds.
void AppendPart(std::string& out, const char* text) { out += text; }
void AppendPart(std::string& out, const std::string& text) { out += text; }
void AppendPart(std::string& out, uint64_t number) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}
template <typename... Parts>
void Append(std::string& out, const Parts&... parts) {
  (AppendPart(out, parts), ...);
}

// "SongMR\\NN\\NNN.esz" for song k (0-999), composed by hand: a report
// names hundreds of them.
void AppendSongLabel(std::string& out, uint32_t k) {
  char text[] = "SongMR\\00\\000.esz";
  text[7] = static_cast<char>('0' + k / 100);
  text[8] = static_cast<char>('0' + k / 10 % 10);
  text[10] = static_cast<char>('0' + k / 100);
  text[11] = static_cast<char>('0' + k / 10 % 10);
  text[12] = static_cast<char>('0' + k % 10);
  out.append(text, sizeof text - 1);
}

void Visit(EntryInfo::Kind kind, uint32_t number, uint32_t minLength,
           const std::function<void(const EntryInfo&)>& visit, bool* present = nullptr) {
  EntryInfo info;
  info.kind = kind;
  info.number = number;
  info.slot = (packageReader.entryCursor - pkg::kOffFixedEntryEnds) / 4;
  if (!TakeSlot(&info.start, &info.end)) return;
  info.present = info.start < info.end;
  if (info.present) info.code = ReadEntry(info.start, info.end, minLength, &info.view);
  if (present) *present = info.present;
  visit(info);
}

// A font's name as the open package holds it, up to its first NUL.
void AppendFontName(std::string& out, uint32_t f) {
  const uint8_t* field = packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * f;
  char16_t units[pkg::kFontNameBytes / 2];
  uint32_t n = 0;
  while (n < pkg::kFontNameBytes / 2 && (field[2 * n] | field[2 * n + 1])) {
    units[n] = static_cast<char16_t>(field[2 * n] | field[2 * n + 1] << 8);
    ++n;
  }
  AppendUtf8FromUtf16(out, std::u16string_view(units, n));
}

// The path extraction writes an entry to.
void AppendLabel(std::string& out, EntryInfo::Kind kind, uint32_t number, const std::string& fontName) {
  switch (kind) {
    case EntryInfo::kFixed: out += Utf8FromWide(pkg::kFixedEntryPaths[number]); return;
    case EntryInfo::kSong: AppendSongLabel(out, number); return;
    case EntryInfo::kFont: out += "Fonts\\"; out += fontName; return;
    case EntryInfo::kFontInfo: out += "Fonts\\Info\\"; out += fontName; out += ".ftb"; return;
  }
  out += '?';
}

bool IsFontKind(EntryInfo::Kind kind) { return kind == EntryInfo::kFont || kind == EntryInfo::kFontInfo; }

// An entry's label during the walk, its font's name read from the package.
void AppendEntryLabel(std::string& out, const EntryInfo& e) {
  if (!IsFontKind(e.kind)) return AppendLabel(out, e.kind, e.number, std::string());
  out += e.kind == EntryInfo::kFont ? "Fonts\\" : "Fonts\\Info\\";
  AppendFontName(out, e.number);
  if (e.kind == EntryInfo::kFontInfo) out += ".ftb";
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

std::string EntryInfo::Label() const {
  std::string out;
  AppendEntryLabel(out, *this);
  return out;
}

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
    if (count_ == 0) return;
    std::string line;
    line.reserve(160);  // room for most lines, which otherwise grow three times
    AppendEntryLabel(line, first_);
    if (count_ > 1) {
      line += " .. ";
      AppendEntryLabel(line, last_);
      Append(line, ", ", count_, " entries");
    }
    Append(line, ": ", EntryCodeMeaning(first_.code), count_ > 1 ? " (the first at " : " (entry at ",
           first_.start, ", end value ", first_.end, ")");
    problems_.push_back(std::move(line));
    count_ = 0;
  }

 private:
  std::vector<std::string>& problems_;
  EntryInfo first_, last_;
  uint32_t count_ = 0;
};

// Present fonts whose names are unsafe one after another make one problem
// line too: a hostile header's name table is garbage from end to end.
class NameRun {
 public:
  explicit NameRun(std::vector<std::string>& problems) : problems_(problems) {}
  void Add(uint32_t f, const std::string& name) {
    if (count_++ == 0) {
      first_ = f;
      firstName_ = name;
    }
    last_ = f;
  }
  void Flush() {
    if (count_ == 0) return;
    std::string line;
    line.reserve(160);
    if (count_ == 1)
      Append(line, "font name ", first_, " (\"", firstName_, "\") is not a safe bare file name");
    else
      Append(line, "font names ", first_, " .. ", last_, ", ", count_,
             " names: not safe bare file names (the first \"", firstName_, "\")");
    problems_.push_back(std::move(line));
    count_ = 0;
  }

 private:
  std::vector<std::string>& problems_;
  std::string firstName_;
  uint32_t first_ = 0, last_ = 0, count_ = 0;
};

// Present fonts whose names Windows takes for one file, or for the Info
// folder: extraction writes them as packed, and the second replaces the first
// (font and info file), or cannot be created at all. Names are kept in place
// and upper-cased only where lengths agree: verify runs over every hostile
// header too.
class NameClashes {
 public:
  explicit NameClashes(const std::vector<std::string>& shown) : shown_(shown) {}
  void Add(uint32_t f) {
    Name& name = names_[count_];
    const uint8_t* field = packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * f;
    name.font = f;
    name.length = 0;
    for (const uint8_t* unit = field; name.length < kUnits && (unit[0] | unit[1]); unit += 2)
      name.units[name.length++] = static_cast<char16_t>(unit[0] | unit[1] << 8);
    if (Same(name, u"INFO", 4))
      lines_.push_back(Format("font %u (\"%s\") is named like the folder Fonts\\Info; extraction cannot "
                              "create it",
                              f, shown_[f].c_str()));
    for (uint32_t k = 0; k < count_; ++k) {
      if (!Same(name, names_[k].units, names_[k].length)) continue;
      if (++clashes_ > kClashLines) break;  // counted in one more line
      lines_.push_back(Format("fonts %u (\"%s\") and %u (\"%s\") are one name on Windows, which ignores "
                              "case: the second replaces the first, font and info file",
                              names_[k].font, shown_[names_[k].font].c_str(), f, shown_[f].c_str()));
      break;
    }
    ++count_;
  }
  void Report(std::vector<std::string>& problems) {
    problems.insert(problems.end(), lines_.begin(), lines_.end());
    if (clashes_ > kClashLines)
      problems.push_back(Format("%u more fonts have a name that is one name on Windows with an earlier font's",
                                clashes_ - kClashLines));
  }

 private:
  static constexpr uint32_t kUnits = pkg::kFontNameBytes / 2;
  // A publisher's mistake is a pair or two; a hostile header repeats one
  // name 128 times, and a line for each would bury the rest.
  static constexpr uint32_t kClashLines = 8;
  struct Name {
    uint32_t font, length;
    char16_t units[kUnits];
  };
  static bool Same(const Name& a, const char16_t* b, uint32_t length) {
    if (a.length != length) return false;
    for (uint32_t i = 0; i < length; ++i)
      if (a.units[i] != b[i] && UpcasedUnit(a.units[i]) != UpcasedUnit(b[i])) return false;
    return true;
  }
  const std::vector<std::string>& shown_;
  Name names_[pkg::kFontNames];  // each present font once
  uint32_t count_ = 0, clashes_ = 0;
  std::vector<std::string> lines_;
};

// A present font's name, kept for its entries' paths; it must be a bare file
// name (only the names of present fonts become paths).
void TakeFontName(uint32_t f, VerifyReport& report, NameRun& unsafeNames, NameClashes& clashes) {
  if (report.fontNames.empty()) report.fontNames.resize(pkg::kFontNames);
  std::string& shown = report.fontNames[f];
  AppendFontName(shown, f);
  wchar_t name[pkg::kFontNameBytes / 2 + 1];
  if (DecodeFontName(packageReader.header + pkg::kOffFontNames + pkg::kFontNameBytes * f, name,
                     pkg::kFontNameBytes / 2 + 1)) {
    unsafeNames.Flush();
    clashes.Add(f);
  } else {
    unsafeNames.Add(f, shown);
  }
}

// Slots whose end goes back behind the entry before: the format allows it,
// but every entry after such a slot reads bytes again, so that a hostile index
// makes extraction write its bytes many times over. One line for them all.
class BackwardEnds {
 public:
  void Add(const EntryInfo& e) {
    if (count_++ == 0) {
      first_ = e.Label();
      end_ = e.end;
      start_ = e.start;
    }
  }
  void Report(std::vector<std::string>& warnings) const {
    if (count_ == 0) return;
    warnings.push_back(Format("KVSetup.dat: %u slot %s back (the first %s, end value %u behind %u): the "
                              "entries after each read the same bytes again",
                              count_, count_ == 1 ? "end goes" : "ends go", first_.c_str(), end_, start_));
  }

 private:
  std::string first_;
  uint32_t end_ = 0, start_ = 0, count_ = 0;
};

// Whether the bytes between a read entry's data and its 4-byte boundary hold
// anything but zeros.
bool PadNotZero(const EntryInfo& e) {
  const uint8_t* pad = e.view.data + e.view.length;
  for (uint32_t i = 0; i < (e.end & 3u); ++i)
    if (pad[i] != 0) return true;
  return false;
}

// The digests of a read entry in a binding block: the whole span as ReadEntry
// read it (CRC, time, data, pad), and for the driver installer its data as
// installed.
void DigestEntry(const EntryInfo& e, uint8_t* block) {
  const uint8_t* span = e.view.data - pkg::kEntryHeaderSize;
  Sha256Digest(span, (e.end & ~3u) - e.start, block + bind::kOffSlotDigests + e.slot * bind::kDigestBytes);
  if (e.kind == EntryInfo::kFixed && e.number == pkg::kFixHaspInstaller)
    Sha256Digest(e.view.data, e.view.length, block + bind::kOffDriverDigest);
}

// An MR file's digest, read from its part in pieces through transferBuffer as
// extraction copies it. False (nothing written) when the part cannot be
// opened or the record runs past its end.
bool DigestMrFile(const MrInfo& m, uint8_t* digest) {
  wchar_t path[kPathUnits];
  if (!FormatPath(path, L"%ls\\KVSetup.d%02u", installState.setupDir, m.partIndex)) return false;
  os::File part = os::OpenForRead(path);
  if (part == os::kNoFile) return false;
  Sha256 sha;
  Sha256Init(&sha);
  bool ok = os::Seek(part, m.partOffset);
  for (uint32_t left = m.size; ok && left > 0;) {
    const uint32_t piece = std::min(left, pkg::kTransferBufferSize);
    ok = os::Read(part, transferBuffer, piece) == piece;
    if (ok) Sha256Update(&sha, transferBuffer, piece);
    left -= piece;
  }
  os::Close(part);
  if (ok) Sha256Final(&sha, digest);
  return ok;
}

// The entries against the index file: reader codes, unsafe font names and
// empty fixed entries are problems; pad bytes and uncovered bytes warnings.
void CheckEntries(VerifyReport& report, const std::function<void(uint64_t, uint64_t)>& progress) {
  const uint32_t indexSize = report.indexFileSize;
  const uint64_t total = installState.packageBytes;
  const uint32_t firstStart = HeaderU32(pkg::kOffFirstEntryStart) & ~3u;
  if (firstStart != pkg::kHeaderSize)
    report.warnings.push_back(Format("KVSetup.dat: the first entry starts at %u, not directly behind "
                                     "the %u-byte header",
                                     firstStart, pkg::kHeaderSize));
  uint32_t lastEnd = firstStart;
  FaultRun faults{report.problems};
  NameRun unsafeNames{report.problems};
  NameClashes clashes{report.fontNames};
  BackwardEnds backward;
  report.entryList.reserve(pkg::kFixedEntriesUsed + pkg::kSongSlots + pkg::kFontSlots);
  WalkEntries([&](const EntryInfo& e) {
    if ((e.end & ~3u) < e.start) backward.Add(e);
    if (!e.present) {
      if (e.kind == EntryInfo::kFixed) {
        faults.Flush();
        report.problems.push_back(e.Label() + ": entry empty (the setup program requires it)");
      }
      return;
    }
    ++report.entries;
    // A font's info entry follows the font itself and shares its name.
    if (e.kind == EntryInfo::kFont) TakeFontName(e.number, report, unsafeNames, clashes);
    const bool read = e.code == kEntryOk;
    if (read && !report.binding.empty()) DigestEntry(e, report.binding.data());
    if (read) {
      faults.Flush();
      if (PadNotZero(e))
        report.warnings.push_back(e.Label() + ": pad bytes are not zero (the setup program ignores them)");
    } else {
      faults.Add(e);
    }
    report.entryList.push_back({e.kind, e.number, e.slot, e.start, e.end, e.code, read ? e.view.length : 0,
                                read ? e.view.lastWriteTime : 0});
    lastEnd = e.end & ~3u;
    if (progress) progress(lastEnd, total);
  });
  faults.Flush();
  unsafeNames.Flush();
  clashes.Report(report.problems);
  backward.Report(report.warnings);
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
    // Made only for a line: most records have none.
    auto what = [&m] { return Format("MR record %u (%s)", m.record, m.Label().c_str()); };
    uint32_t partSize = report.partSizes[m.partIndex - 1];
    if (m.partIndex < lastPart) {
      problems.push_back(what() + Format(": part %u comes after part %u; extraction never copies it",
                                       m.partIndex, lastPart));
      continue;
    }
    lastPart = m.partIndex;
    if (m.partOffset != covered[m.partIndex])
      problems.push_back(what() + Format(": starts at %u, the previous file ended at %llu", m.partOffset,
                                       static_cast<unsigned long long>(covered[m.partIndex])));
    if (static_cast<uint64_t>(m.partOffset) + m.size > partSize)
      problems.push_back(what() + Format(": runs past the end of part %u", m.partIndex));
    if (m.number == 0)
      problems.push_back(what() + ": MR number 0 (its folder number wraps around)");
    else if (m.number < pkg::kFirstRemovedMr || m.number > pkg::kLastRemovedMr)
      report.warnings.push_back(what() + Format(": MR number outside %u .. %u; removal will not delete it",
                                              pkg::kFirstRemovedMr, pkg::kLastRemovedMr));
    if (!numbers.insert(m.number).second)
      problems.push_back(what() + ": MR number appears twice (the later file replaces the earlier)");
    else if (m.number < lastNumber)
      report.warnings.push_back(what() + Format(": out of order, after MR number %u", lastNumber));
    lastNumber = std::max(lastNumber, m.number);
    covered[m.partIndex] = static_cast<uint64_t>(m.partOffset) + m.size;
    if (!report.binding.empty() &&
        !DigestMrFile(m, report.binding.data() + bind::kOffMrDigests + m.record * bind::kDigestBytes))
      problems.push_back(what() + ": its data cannot be read whole");
    mrBytes += m.size;
    if (progress) progress(report.indexFileSize + mrBytes, installState.packageBytes);
  }
  for (uint32_t n = 1; n <= partCount; ++n)
    if (covered[n] < report.partSizes[n - 1])
      report.warnings.push_back(Format("KVSetup.d%02u: %llu bytes belong to no MR record", n,
                                       static_cast<unsigned long long>(report.partSizes[n - 1] - covered[n])));
}

// The plain spans between the characters JSON escapes are copied whole.
// Beyond what JSON requires, DEL and the C1 controls (U+0080-U+009F, two
// bytes C2 80-9F; CSI among them) are escaped too, as on the terminal: the
// document is shown on terminals.
void AppendJsonString(std::string& out, const std::string& text) {
  out += '"';
  size_t plain = 0;  // where the span not yet copied begins
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    const bool c1 = c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
    if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7F && !c1) continue;
    out.append(text, plain, i - plain);
    if (c1) c = static_cast<unsigned char>(text[++i]);
    plain = i + 1;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else {  // a hostile font name is full of them
      const char escape[] = {'\\', 'u', '0', '0', "0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
      out.append(escape, sizeof escape);
    }
  }
  out.append(text, plain, std::string::npos);
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

// `, "key": value`, without printf and in one append: the entries are the
// bulk of a report.
template <size_t N, typename Integer>
void AppendJsonNumber(std::string& out, const char (&key)[N], Integer value) {
  static_assert(N < 24, "keys are short names");
  char text[6 + N + 20];  // `, "` key `": ` and at most 20 digits
  std::memcpy(text, ", \"", 3);
  std::memcpy(text + 3, key, N - 1);
  std::memcpy(text + 2 + N, "\": ", 3);
  out.append(text, std::to_chars(text + 5 + N, text + sizeof text, value).ptr);
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

// The package's block against a bound one: the header, every slot, every MR
// record and the driver installer's data; each difference is a problem
// named by what extraction would write.
void CompareWithBinding(VerifyReport& report, const uint8_t* against) {
  const uint8_t* mine = report.binding.data();
  auto differs = [&](uint32_t offset) {
    return std::memcmp(mine + offset, against + offset, bind::kDigestBytes) != 0;
  };
  const size_t problemsBefore = report.problems.size();
  if (differs(bind::kOffHeaderDigest))
    report.problems.push_back("KVSetup.dat header: not the bound package's (version words, sizes, "
                              "entry offsets, font names or MR records differ)");
  std::vector<bool> present(bind::kSlotCount, false);
  std::string line;
  for (const EntrySummary& e : report.entryList) {
    present[e.slot] = true;
    // An entry that cannot be read is a problem already.
    if (e.code != kEntryOk || !differs(bind::kOffSlotDigests + e.slot * bind::kDigestBytes)) continue;
    line.clear();
    AppendLabel(line, e.kind, e.number, IsFontKind(e.kind) ? report.fontNames[e.number] : std::string());
    Append(line, ": not the bound package's entry (entry at ", e.start, ", end value ", e.end, ")");
    report.problems.push_back(line);
  }
  static const uint8_t kNone[bind::kDigestBytes] = {};
  for (uint32_t slot = 0; slot < bind::kSlotCount; ++slot)
    if (!present[slot] &&
        std::memcmp(against + bind::kOffSlotDigests + slot * bind::kDigestBytes, kNone, sizeof kNone) != 0)
      report.problems.push_back(Format("end-offset slot %u: the bound package has an entry there, this one none",
                                       slot));
  for (uint32_t r = 0; r < pkg::kMrRecords; ++r) {
    if (!differs(bind::kOffMrDigests + r * bind::kDigestBytes)) continue;
    if (r < report.records.size())
      report.problems.push_back(Format("MR record %u (%s): not the bound package's file", r,
                                       report.records[r].Label().c_str()));
    else
      report.problems.push_back(Format("MR record %u: %s", r,
                                       std::memcmp(against + bind::kOffMrDigests + r * bind::kDigestBytes,
                                                   kNone, sizeof kNone) != 0
                                           ? "the bound package has a file there, this one none"
                                           : "this package has a file there, the bound one none"));
  }
  // Covered by slot 0 whenever that is read; a block made otherwise would
  // still be caught here.
  if (differs(bind::kOffDriverDigest) && !differs(bind::kOffSlotDigests))
    report.problems.push_back("Driver\\haspdinst.exe: data not the bound package's");
  report.bindingDifferences = static_cast<int>(report.problems.size() - problemsBefore);
}

}  // namespace

VerifyReport VerifyPackage(const fs::path& dir, const std::function<void(uint64_t, uint64_t)>& progress,
                           const BindingPass& pass) {
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
  if (pass.make || pass.against) {
    report.binding.assign(bind::kBlockSize, 0);
    std::memcpy(report.binding.data(), bind::kMagic, sizeof bind::kMagic);
    pkg::WriteU32(report.binding.data() + bind::kOffFormat, bind::kFormatBound);
    Sha256Digest(packageReader.header, pkg::kHeaderSize, report.binding.data() + bind::kOffHeaderDigest);
  }
  CheckEntries(report, progress);
  CheckMrTable(report, progress);
  ClosePackageFile();
  if (pass.against) CompareWithBinding(report, pass.against);
  return report;
}

void ReportJson(const VerifyReport& r, std::string& out) {
  // One allocation for the whole document, or none when out already has the
  // room: a hostile package's report runs to a thousand entries, and growing
  // by doubling copies it over and over.
  size_t size = 1024 + 200 * r.entryList.size() + 240 * r.records.size();
  for (const std::string& t : r.problems) size += t.size() + 8;
  for (const std::string& t : r.warnings) size += t.size() + 8;
  out.clear();
  out.reserve(size);
  out += Format("{\n  \"open\": {\"code\": %d, \"meaning\": ", r.openCode);
  AppendJsonString(out, OpenCodeMeaning(r.openCode));
  out += "},\n  \"sound\": ";
  out += r.sound() ? "true" : "false";
  if (r.bindingDifferences >= 0) {
    out += ",\n  \"boundPackage\": ";
    out += r.bindingDifferences == 0 ? "true" : "false";
  }
  out += ",\n  \"versionWords\": [";
  for (int i = 0; i < 9; ++i) out += Format("%s%u", i ? ", " : "", r.versionWords[i]);
  out += Format("],\n  \"indexFileSize\": %u,\n  \"partSizes\": [", r.indexFileSize);
  for (size_t i = 0; i < r.partSizes.size(); ++i) out += Format("%s%u", i ? ", " : "", r.partSizes[i]);
  out += "],\n  \"entries\": [";
  std::string label;  // one buffer for every path
  static const std::string kNoName;
  for (size_t i = 0; i < r.entryList.size(); ++i) {
    const EntrySummary& e = r.entryList[i];
    out += i ? ",\n    {\"path\": " : "\n    {\"path\": ";
    label.clear();
    AppendLabel(label, e.kind, e.number, IsFontKind(e.kind) ? r.fontNames[e.number] : kNoName);
    AppendJsonString(out, label);
    out += ", \"kind\": \"";
    out += KindName(e.kind);
    out += '"';
    AppendJsonNumber(out, "offset", e.start);
    AppendJsonNumber(out, "end", e.end);
    AppendJsonNumber(out, "code", e.code);
    if (e.code == kEntryOk) {
      AppendJsonNumber(out, "bytes", e.length);
      AppendJsonNumber(out, "fileTime", e.lastWriteTime);
      out += ", \"written\": \"";
      AppendFileTime(out, e.lastWriteTime);
      out += '"';
    }
    out += "}";
  }
  out += r.entryList.empty() ? "],\n  \"records\": [" : "\n  ],\n  \"records\": [";
  for (size_t i = 0; i < r.records.size(); ++i) {
    const MrInfo& m = r.records[i];
    out += Format("%s{\"record\": %u, \"number\": %u, \"path\": ", i ? ",\n    " : "\n    ", m.record,
                  m.number);
    AppendJsonString(out, m.Label());
    out += Format(", \"part\": %u, \"offset\": %u, \"bytes\": %u, \"fileTime\": %llu, \"written\": \"",
                  m.partIndex, m.partOffset, m.size, static_cast<unsigned long long>(m.lastWriteTime));
    AppendFileTime(out, m.lastWriteTime);
    out += "\"}";
  }
  out += r.records.empty() ? "]" : "\n  ]";
  AppendJsonStrings(out, "problems", r.problems);
  AppendJsonStrings(out, "warnings", r.warnings);
  out += "\n}\n";
}

std::string ReportJson(const VerifyReport& report) {
  std::string out;
  ReportJson(report, out);
  return out;
}

}  // namespace kvpack
