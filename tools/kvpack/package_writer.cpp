// The package writer: lays out the index file and the data parts from a
// description, then streams the entries and MR files behind a header that is
// complete (slots, MR table, CRC) before the first entry is written.
#include "package_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <system_error>

#include "engine/crc32.h"
#include "engine/name_check.h"
#include "file_io.h"
#include "text.h"

namespace kvpack {

namespace fs = std::filesystem;

Content Content::FromBytes(std::vector<uint8_t> data, uint64_t fileTime) {
  Content c;
  c.size = data.size();
  c.bytes = std::move(data);
  c.lastWriteTime = fileTime;
  return c;
}

Content Content::FromFile(fs::path path, uint64_t size, uint64_t fileTime) {
  Content c;
  c.sourcePath = std::move(path);
  c.size = size;
  c.lastWriteTime = fileTime;
  return c;
}

std::string PartFileName(uint32_t n) {
  char name[16];
  std::snprintf(name, sizeof name, "KVSetup.d%02u", n);
  return name;
}

namespace {

// Where each piece goes: the index-file entries in package order and the
// data parts with their MR files.
struct Layout {
  struct Entry {
    const Content* content;
    uint32_t start;
    uint32_t pad;
  };
  std::vector<uint8_t> header = std::vector<uint8_t>(pkg::kHeaderSize);
  std::vector<Entry> entries;
  uint64_t indexSize = pkg::kHeaderSize;
  std::vector<std::vector<const Content*>> parts;  // MR files of part 1, 2, ...
  uint64_t totalBytes = 0;
};

std::string Describe(const char* kind, uint32_t number) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %u", kind, number);
  return text;
}

// Appends an entry at the current end of the index file and returns its slot.
uint32_t Place(Layout& layout, const Content* content) {
  uint64_t start = layout.indexSize;
  if (content == nullptr) return static_cast<uint32_t>(start);
  uint64_t dataEnd = start + pkg::kEntryHeaderSize + content->size;
  uint64_t aligned = (dataEnd + 3) & ~uint64_t(3);
  uint32_t pad = static_cast<uint32_t>(aligned - dataEnd);
  layout.entries.push_back({content, static_cast<uint32_t>(start), pad});
  layout.indexSize = aligned;
  return static_cast<uint32_t>(aligned) | pad;
}

// Fills the header from the description; problems are appended. The index
// size is checked against 4 GiB here so the 32-bit slots stay exact.
void MakeLayout(const PackageInput& in, const WriteOptions& opt, Layout& layout,
                std::vector<std::string>& problems) {
  uint8_t* h = layout.header.data();
  pkg::WriteU32(h + pkg::kOffFormatVersion, pkg::kFormatVersion);
  for (int i = 0; i < 9; ++i) pkg::WriteU32(h + pkg::kOffVersionWords + 4 * i, in.versionWords[i]);
  pkg::WriteU32(h + pkg::kOffFirstEntryStart, pkg::kHeaderSize);

  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    const Content* c = in.fixed[i] ? &*in.fixed[i] : nullptr;
    pkg::WriteU32(h + pkg::kOffFixedEntryEnds + 4 * i, Place(layout, c));
  }
  for (uint32_t k = 0; k < pkg::kSongSlots; ++k) {
    auto it = in.songs.find(k);
    const Content* c = it == in.songs.end() ? nullptr : &it->second;
    pkg::WriteU32(h + pkg::kOffSongEntryEnds + 4 * k, Place(layout, c));
  }
  uint32_t slot = 0;
  for (size_t f = 0; f < in.fonts.size() && f < pkg::kFontNames; ++f) {
    const FontInput& font = in.fonts[f];
    uint8_t* field = h + pkg::kOffFontNames + pkg::kFontNameBytes * f;
    for (size_t u = 0; u < font.name.size() && u < pkg::kFontNameBytes / 2; ++u) {
      field[2 * u] = uint8_t(font.name[u]);
      field[2 * u + 1] = uint8_t(font.name[u] >> 8);
    }
    const Content* file = font.file ? &*font.file : nullptr;
    pkg::WriteU32(h + pkg::kOffFontEntryEnds + 4 * slot++, Place(layout, file));
    if (file) {
      const Content* info = font.info ? &*font.info : nullptr;
      pkg::WriteU32(h + pkg::kOffFontEntryEnds + 4 * slot++, Place(layout, info));
    }
  }
  // Unused slots repeat the aligned end, so a reader walking all 128 names
  // sees empty entries and keeps its position.
  for (; slot < pkg::kFontSlots; ++slot)
    pkg::WriteU32(h + pkg::kOffFontEntryEnds + 4 * slot, static_cast<uint32_t>(layout.indexSize));

  uint64_t indexLimit = opt.enforceRules ? pkg::kMaxIndexFileSize : 0xFFFFFFFFull;
  if (layout.indexSize > indexLimit) {
    char text[128];
    std::snprintf(text, sizeof text, "KVSetup.dat would be %llu bytes, above the limit of %llu",
                  static_cast<unsigned long long>(layout.indexSize),
                  static_cast<unsigned long long>(indexLimit));
    problems.push_back(text);
  }
  pkg::WriteU32(h + pkg::kOffIndexFileSize, static_cast<uint32_t>(layout.indexSize));

  // MR files into parts, in record order.
  uint64_t partSize = 0;
  uint32_t record = 0;
  for (const MrInput& mr : in.mrFiles) {
    if (record >= pkg::kMrRecords) break;
    if (layout.parts.empty() || (partSize + mr.content.size > opt.partLimit && partSize > 0)) {
      layout.parts.emplace_back();
      partSize = 0;
    }
    if (mr.content.size > opt.partLimit)
      problems.push_back(Describe("MR file", mr.number) + " is " + std::to_string(mr.content.size) +
                         " bytes, larger than the part limit of " + std::to_string(opt.partLimit) +
                         " (--part-limit takes up to 4294967295)");
    uint8_t* r = h + pkg::kOffMrRecords + pkg::kMrRecordSize * record++;
    pkg::WriteU32(r + pkg::kMrOffNumber, mr.number);
    pkg::WriteU32(r + pkg::kMrOffPartIndex, static_cast<uint32_t>(layout.parts.size()));
    pkg::WriteU32(r + pkg::kMrOffPartOffset, static_cast<uint32_t>(partSize));
    pkg::WriteU32(r + pkg::kMrOffSize, static_cast<uint32_t>(mr.content.size));
    pkg::WriteU64(r + pkg::kMrOffLastWriteTime, mr.content.lastWriteTime);
    layout.parts.back().push_back(&mr.content);
    partSize += mr.content.size;
    if (partSize > 0xFFFFFFFFull)
      problems.push_back(Describe("data part", uint32_t(layout.parts.size())) + " exceeds 4 GiB");
    if (layout.parts.size() <= pkg::kMaxParts)
      pkg::WriteU32(h + pkg::kOffPartSizes + 4 * (layout.parts.size() - 1),
                    static_cast<uint32_t>(partSize));
  }
  if (layout.parts.size() > pkg::kMaxParts) {
    problems.push_back("the MR files need " + std::to_string(layout.parts.size()) +
                       " data parts under the part limit; at most 16 are possible");
  }
  pkg::WriteU32(h + pkg::kOffPartCount,
                static_cast<uint32_t>(std::min<size_t>(layout.parts.size(), pkg::kMaxParts)));
  pkg::WriteU32(h + pkg::kOffHeaderCrc, Crc32Jam(h + 4, pkg::kHeaderSize - 4));

  layout.totalBytes = layout.indexSize;
  for (const auto& part : layout.parts)
    for (const Content* c : part) layout.totalBytes += c->size;
}

void CheckEntry(const std::optional<Content>& c, const std::string& what, uint64_t minLength,
                const WriteOptions& opt, std::vector<std::string>& problems) {
  if (!c) return;
  if (c->sourcePath.empty() && c->bytes.size() != c->size)
    problems.push_back(what + ": size does not match its bytes");
  if (c->size > pkg::kMaxDataLength)
    problems.push_back(what + " is " + std::to_string(c->size) + " bytes, above the entry limit of " +
                       std::to_string(pkg::kMaxDataLength));
  else if (opt.enforceRules && c->size < minLength)
    problems.push_back(what + " is " + std::to_string(c->size) + " bytes; at least " +
                       std::to_string(minLength) + " are needed");
}

// Names a content's file in the reason a read of it failed; false.
bool CannotRead(const Content& c, std::string* error) {
  *error = "cannot read " + Utf8FromPath(c.sourcePath) + ": " + *error;
  return false;
}

// Reads a whole entry's bytes (from memory or its file) into buffer.
bool LoadContent(const Content& c, std::vector<uint8_t>& buffer, std::string* error) {
  if (c.sourcePath.empty()) {
    buffer.assign(c.bytes.begin(), c.bytes.end());
    return true;
  }
  buffer.resize(c.size);
  io::File in;
  if (!in.OpenRead(c.sourcePath, error) || !in.Read(buffer.data(), buffer.size(), error))
    return CannotRead(c, error);
  return true;
}

// One output file: written under a temporary name in the output folder and
// renamed into place only when every file of the package is on the disk.
struct Output {
  fs::path final;
  fs::path temp;
  fs::path backup;  // the earlier file of that name while the new one moves in
  bool tempMade = false, backedUp = false, placed = false;
};

// A name beside target that no package file has, unique to this build.
fs::path TempName(const fs::path& target, const char* kind, uint64_t salt) {
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".kvpack-%s-%08llx", kind, static_cast<unsigned long long>(salt));
  fs::path name = target;
  name += suffix;
  return name;
}

// Streams one file into out in pieces, so MR files of any size pass through
// a small buffer.
bool CopyContent(const Content& c, io::File& out, std::vector<uint8_t>& buffer,
                 const std::function<void(uint64_t)>& report, std::string* error, std::string* failedWrite) {
  if (c.sourcePath.empty()) {
    if (!out.Write(c.bytes.data(), c.bytes.size(), failedWrite)) return false;
    report(c.bytes.size());
    return true;
  }
  io::File in;
  if (!in.OpenRead(c.sourcePath, error)) return CannotRead(c, error);
  constexpr uint64_t kPiece = 8u << 20;
  buffer.resize(kPiece);
  for (uint64_t left = c.size; left > 0;) {
    size_t piece = static_cast<size_t>(std::min(left, kPiece));
    if (!in.Read(buffer.data(), piece, error)) return CannotRead(c, error);
    if (!out.Write(buffer.data(), piece, failedWrite)) return false;
    report(piece);
    left -= piece;
  }
  return true;
}

// Writes the index file (header, then every entry) into out.
bool WriteIndex(const Layout& layout, io::File& out, std::vector<uint8_t>& buffer,
                const std::function<void(uint64_t)>& report, std::string* error, std::string* failedWrite) {
  if (!out.Write(layout.header.data(), layout.header.size(), failedWrite)) return false;
  report(layout.header.size());
  for (const Layout::Entry& e : layout.entries) {
    if (!LoadContent(*e.content, buffer, error)) return false;
    uint8_t head[pkg::kEntryHeaderSize];
    pkg::WriteU32(head, Crc32Jam(buffer.data(), buffer.size()));
    pkg::WriteU64(head + 4, e.content->lastWriteTime);
    static const uint8_t kZeros[3] = {};
    if (!out.Write(head, sizeof head, failedWrite) || !out.Write(buffer.data(), buffer.size(), failedWrite) ||
        !out.Write(kZeros, e.pad, failedWrite))
      return false;
    report(buffer.size() + sizeof head + e.pad);
  }
  return true;
}

// Moves the new files into place: every earlier file aside first, then every
// new one in; on any failure the earlier files come back. False with *error.
bool PlaceOutputs(std::vector<Output>& outputs, std::string* error) {
  std::string reason, ignored;
  auto undo = [&]() {
    for (Output& o : outputs) {
      if (o.placed) io::RemoveFile(o.final, &ignored);
      if (o.backedUp) io::MoveOver(o.backup, o.final, &ignored);
    }
  };
  for (Output& o : outputs) {
    if (!io::Exists(o.final)) continue;
    if (!io::MoveOver(o.final, o.backup, &reason)) {
      *error = "cannot move the earlier " + Utf8FromPath(o.final) + " aside: " + reason;
      undo();
      return false;
    }
    o.backedUp = true;
  }
  for (Output& o : outputs) {
    if (!io::MoveOver(o.temp, o.final, &reason)) {
      *error = "cannot rename " + Utf8FromPath(o.temp) + " to " + Utf8FromPath(o.final) + ": " + reason;
      undo();
      return false;
    }
    o.tempMade = false;
    o.placed = true;
  }
  return true;
}

// Removes what the earlier package leaves once the new one is in place: its
// files moved aside, and data parts past the new last one (they would only
// confuse). False with *error naming every file that stays.
bool RemoveEarlierFiles(const std::vector<Output>& outputs, const fs::path& outDir, std::string* error) {
  std::vector<fs::path> doomed;
  for (const Output& o : outputs)
    if (o.backedUp) doomed.push_back(o.backup);
  for (uint32_t n = static_cast<uint32_t>(outputs.size()); n <= 99; ++n) {
    fs::path stale = outDir / PartFileName(n);
    if (io::Exists(stale)) doomed.push_back(stale);
  }
  std::string left;
  for (const fs::path& path : doomed) {
    std::string reason;
    if (!io::RemoveFile(path, &reason)) left += (left.empty() ? "" : ", ") + Utf8FromPath(path) + " (" + reason + ")";
  }
  if (left.empty()) return true;
  *error = "the new package is in " + Utf8FromPath(outDir) + ", but files of the earlier one cannot be removed: " + left;
  return false;
}

}  // namespace

std::vector<std::string> CheckInput(const PackageInput& in, const WriteOptions& opt) {
  std::vector<std::string> problems;
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    std::string name = Utf8FromWide(pkg::kFixedEntryPaths[i]);
    if (!in.fixed[i] && opt.enforceRules) problems.push_back("missing fixed file " + name);
    CheckEntry(in.fixed[i], "fixed file " + name, pkg::kMinFixedDataLength, opt, problems);
  }
  for (const auto& [number, content] : in.songs) {
    if (number >= pkg::kSongSlots) {
      problems.push_back(Describe("song number", number) + " is out of range 0 .. 999");
      continue;
    }
    CheckEntry(content, Describe("song", number), pkg::kMinLibraryDataLength, opt, problems);
  }
  if (in.fonts.size() > pkg::kFontNames)
    problems.push_back(std::to_string(in.fonts.size()) + " fonts; at most 128 fit");
  // Names as Windows compares them: fonts whose names differ only in case
  // would be one file there, and a font named like Fonts\Info cannot be
  // made beside that folder.
  std::map<std::u16string, const std::u16string*> names;
  for (const FontInput& font : in.fonts) {
    std::string name = Utf8FromUtf16(font.name);
    if (font.name.size() > pkg::kFontNameBytes / 2 ||
        (opt.enforceRules && font.name.size() > pkg::kFontNameMaxUnits))
      problems.push_back("font name \"" + name + "\" is " + std::to_string(font.name.size()) +
                         " UTF-16 units; at most 35 fit");
    else if (opt.enforceRules && HasShortNameShape(WideFromUtf16(font.name).c_str()))
      problems.push_back("font name \"" + name +
                         "\" has the shape of a short 8.3 name, which can be another font's file on Windows");
    else if (opt.enforceRules && !IsSafeFileName(WideFromUtf16(font.name).c_str()))
      problems.push_back("font name \"" + name + "\" is not a safe bare file name");
    if (opt.enforceRules) {
      const std::u16string key = WindowsNameKey(font.name);
      if (key == u"INFO")
        problems.push_back("font name \"" + name + "\" is the name of the folder Fonts\\Info on Windows");
      const auto [first, fresh] = names.emplace(key, &font.name);
      if (!fresh && *first->second == font.name)
        problems.push_back("font name \"" + name + "\" appears twice");
      else if (!fresh)
        problems.push_back("fonts \"" + Utf8FromUtf16(*first->second) + "\" and \"" + name +
                           "\" are one name on Windows, which ignores case: the second would replace the first");
    }
    if (font.info && !font.file)
      problems.push_back("font info for \"" + name + "\" without its font file");
    CheckEntry(font.file, "font \"" + name + "\"", pkg::kMinLibraryDataLength, opt, problems);
    CheckEntry(font.info, "font info \"" + name + ".ftb\"", pkg::kMinLibraryDataLength, opt,
               problems);
  }
  if (in.mrFiles.size() > pkg::kMrRecords)
    problems.push_back(std::to_string(in.mrFiles.size()) + " MR files; at most 2000 fit");
  std::set<uint32_t> numbers;
  for (const MrInput& mr : in.mrFiles) {
    // Extraction copies an MR file of any 32-bit size in pieces, and names
    // any number as MR\NNN\NNNNN.emr; only 0 would wrap its folder number.
    // Sizes are bounded by the part limit (MakeLayout).
    if (opt.enforceRules && mr.number == 0)
      problems.push_back("MR number 0 is out of range 1 .. 4294967295");
    if (opt.enforceRules && !numbers.insert(mr.number).second)
      problems.push_back(Describe("MR number", mr.number) + " appears twice");
  }
  if (opt.partLimit == 0 || opt.partLimit > 0xFFFFFFFFull)
    problems.push_back("the part limit must lie in 1 .. 4294967295");
  if (!problems.empty()) return problems;

  Layout layout;
  MakeLayout(in, opt, layout, problems);
  return problems;
}

bool WritePackage(const PackageInput& in, const fs::path& outDir, const WriteOptions& opt,
                  std::string* error) {
  std::vector<std::string> problems = CheckInput(in, opt);
  if (!problems.empty()) {
    *error = problems.front();
    for (size_t i = 1; i < problems.size(); ++i) *error += "\n" + problems[i];
    return false;
  }
  Layout layout;
  MakeLayout(in, opt, layout, problems);

  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec || !fs::is_directory(outDir, ec)) {
    *error = "cannot make the folder " + Utf8FromPath(outDir) + ": " + ec.message();
    return false;
  }
  uint64_t done = 0;
  auto report = [&](uint64_t more) {
    done += more;
    if (opt.progress) opt.progress(done, layout.totalBytes);
  };

  // The index file comes last, so that a reader never sees a new index
  // beside old parts for longer than the renames take.
  std::vector<Output> outputs(layout.parts.size() + 1);
  const uint64_t salt = std::random_device{}() ^ static_cast<uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (size_t i = 0; i < outputs.size(); ++i) {
    bool index = i == layout.parts.size();
    outputs[i].final = outDir / (index ? std::string("KVSetup.dat") : PartFileName(static_cast<uint32_t>(i + 1)));
    outputs[i].temp = TempName(outputs[i].final, "new", salt);
    outputs[i].backup = TempName(outputs[i].final, "old", salt);
  }
  // Every file stays a temporary one (deleted with its handle on Windows)
  // until all are written; only then are they kept and placed.
  std::vector<io::File> files(outputs.size());
  auto removeTemps = [&]() {
    files.clear();  // closed before their temporary files are removed (Windows)
    std::string ignored;
    for (Output& o : outputs)
      if (o.tempMade) io::RemoveFile(o.temp, &ignored);
    io::ForgetTemporaries();
  };
  auto fail = [&](const std::string& reason) {
    removeTemps();
    *error = reason + "; the earlier package in " + Utf8FromPath(outDir) + " is unchanged";
    return false;
  };
  std::vector<uint8_t> buffer;
  for (size_t i = 0; i < outputs.size(); ++i) {
    Output& o = outputs[i];
    io::File& file = files[i];
    std::string readError, writeError;
    bool ok = o.tempMade = file.CreateTemporary(o.temp, &writeError);
    if (ok && i < layout.parts.size()) {
      for (const Content* c : layout.parts[i])
        if (!(ok = CopyContent(*c, file, buffer, report, &readError, &writeError))) break;
    } else if (ok) {
      ok = WriteIndex(layout, file, buffer, report, &readError, &writeError);
    }
    if (!(ok && file.FlushToDisk(&writeError)))
      return fail(!readError.empty() ? readError : "cannot write " + Utf8FromPath(o.final) + ": " + writeError);
  }

  // From keeping the first file to removing the earlier package's, an
  // interrupt waits: the folder holds the earlier package or the new one.
  io::HoldInterrupts();
  for (size_t i = 0; i < outputs.size(); ++i) {
    std::string reason;
    if (!files[i].Keep(&reason) || !files[i].Close(&reason)) {
      bool failed = fail("cannot write " + Utf8FromPath(outputs[i].final) + ": " + reason);
      io::ReleaseInterrupts();
      return failed;
    }
  }
  if (!PlaceOutputs(outputs, error)) {
    removeTemps();
    io::ReleaseInterrupts();
    return false;
  }
  io::ForgetTemporaries();
  const bool cleared = RemoveEarlierFiles(outputs, outDir, error);
  io::ReleaseInterrupts();
  return cleared;
}

}  // namespace kvpack
