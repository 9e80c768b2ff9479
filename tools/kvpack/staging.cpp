// The staging walker: every name is checked against the installed layout
// (folder and number must agree, font names must be bare names), so that a
// built package extracts back to exactly the staged tree.
#include "staging.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "file_io.h"
#include "text.h"

namespace kvpack {

namespace fs = std::filesystem;

namespace {

// Entries of a folder sorted by name (byte order), so the walk and therefore
// the package do not depend on the file system's order.
std::vector<fs::directory_entry> SortedEntries(const fs::path& dir, std::vector<std::string>& problems) {
  std::vector<fs::directory_entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(*it);
  if (ec) problems.push_back("cannot read folder " + Utf8FromPath(dir) + ": " + ec.message());
  // UTF-8 byte order on every platform (a Windows path compares UTF-16 units).
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return Utf8FromPath(a.path().filename()) < Utf8FromPath(b.path().filename());
  });
  return entries;
}

std::string Name(const fs::directory_entry& entry) { return Utf8FromPath(entry.path().filename()); }

bool AllDigits(const std::string& s, size_t count) {
  return s.size() == count && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A regular file's content reference; false with a problem when it is not one.
bool FileContent(const fs::path& path, Content* out, std::vector<std::string>& problems) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  uint64_t size = fs::is_regular_file(status) ? fs::file_size(path, ec) : 0;
  uint64_t fileTime = 0;
  if (!fs::is_regular_file(status) || ec || !io::LastWriteTime(path, &fileTime)) {
    problems.push_back(Utf8FromPath(path) + " is not a regular file that can be read");
    return false;
  }
  *out = Content::FromFile(path, size, fileTime);
  return true;
}

// The number in a name of decimal digits that extraction writes with
// printf's "%0<width>u" (no sign, at least width digits, no extra leading
// zeros); false for any other name.
bool PrintedNumber(const std::string& digits, int width, uint32_t* number) {
  if (digits.empty() || digits.size() > 10 || !AllDigits(digits, digits.size())) return false;
  unsigned long long v = std::stoull(digits);
  if (v > 0xFFFFFFFFull) return false;
  char printed[16];
  std::snprintf(printed, sizeof printed, "%0*llu", width, v);
  *number = static_cast<uint32_t>(v);
  return digits == printed;
}

void ScanSongs(const fs::path& root, StagingScan& scan) {
  for (const auto& folder : SortedEntries(root, scan.problems)) {
    std::string nn = Name(folder);
    if (!folder.is_directory() || !AllDigits(nn, 2)) {
      scan.problems.push_back("unexpected " + Utf8FromPath(folder.path()) + " (song folders are SongMR/NN)");
      continue;
    }
    for (const auto& file : SortedEntries(folder.path(), scan.problems)) {
      std::string name = Name(file);
      if (name.size() != 7 || name.substr(3) != ".esz" || !AllDigits(name.substr(0, 3), 3)) {
        scan.problems.push_back("unexpected " + Utf8FromPath(file.path()) + " (songs are NNN.esz)");
        continue;
      }
      uint32_t number = static_cast<uint32_t>(std::stoul(name.substr(0, 3)));
      if (number / 10 != static_cast<uint32_t>(std::stoul(nn))) {
        char text[64];
        std::snprintf(text, sizeof text, " is misplaced: song %03u belongs in SongMR/%02u", number,
                      number / 10);
        scan.problems.push_back(Utf8FromPath(file.path()) + text);
        continue;
      }
      Content content;
      if (FileContent(file.path(), &content, scan.problems))
        scan.input.songs.emplace(number, std::move(content));
    }
  }
}

void ScanFonts(const fs::path& root, StagingScan& scan) {
  std::vector<fs::directory_entry> infos;
  for (const auto& entry : SortedEntries(root, scan.problems)) {
    std::string name = Name(entry);
    if (entry.is_directory()) {
      if (name == "Info") infos = SortedEntries(entry.path(), scan.problems);
      else scan.problems.push_back("unexpected folder " + Utf8FromPath(entry.path()));
      continue;
    }
    auto units = Utf16FromPath(entry.path().filename());
    if (!units) {
      scan.problems.push_back("font name " + Utf8FromPath(entry.path()) + " is not valid Unicode text");
      continue;
    }
    FontInput font;
    font.name = *units;
    Content content;
    if (!FileContent(entry.path(), &content, scan.problems)) continue;
    font.file = std::move(content);
    scan.input.fonts.push_back(std::move(font));
  }
  // Fonts in UTF-16 order: the order of fontNames does not follow the locale.
  std::sort(scan.input.fonts.begin(), scan.input.fonts.end(),
            [](const FontInput& a, const FontInput& b) { return a.name < b.name; });
  for (const auto& entry : infos) {
    std::string name = Name(entry);
    if (name.size() <= 4 || name.substr(name.size() - 4) != ".ftb") {
      scan.problems.push_back("unexpected " + Utf8FromPath(entry.path()) + " (info files are <font>.ftb)");
      continue;
    }
    auto units = Utf16FromPath(entry.path().filename());
    if (units) units->resize(units->size() - 4);
    auto it = units ? std::find_if(scan.input.fonts.begin(), scan.input.fonts.end(),
                                   [&](const FontInput& f) { return f.name == *units; })
                    : scan.input.fonts.end();
    if (it == scan.input.fonts.end()) {
      scan.problems.push_back("info file " + Utf8FromPath(entry.path()) + " has no font " +
                              name.substr(0, name.size() - 4) + " in Fonts");
      continue;
    }
    Content content;
    if (FileContent(entry.path(), &content, scan.problems)) it->info = std::move(content);
  }
}

// MR files: any number extraction names as MR\NNN\NNNNN.emr with NNN =
// (number - 1) / 100, that is 1 .. 4294967295 (number 0 would wrap its
// folder). The records follow the MR numbers.
void ScanMr(const fs::path& root, StagingScan& scan) {
  for (const auto& folder : SortedEntries(root, scan.problems)) {
    std::string nnn = Name(folder);
    uint32_t folderNumber = 0;
    if (!folder.is_directory() || !PrintedNumber(nnn, 3, &folderNumber)) {
      scan.problems.push_back("unexpected " + Utf8FromPath(folder.path()) + " (MR folders are MR/NNN)");
      continue;
    }
    for (const auto& file : SortedEntries(folder.path(), scan.problems)) {
      std::string name = Name(file);
      uint32_t number = 0;
      if (name.size() < 9 || name.substr(name.size() - 4) != ".emr" ||
          !PrintedNumber(name.substr(0, name.size() - 4), 5, &number)) {
        scan.problems.push_back("unexpected " + Utf8FromPath(file.path()) + " (MR files are NNNNN.emr)");
        continue;
      }
      if (number == 0 || (number - 1) / 100 != folderNumber) {
        char text[96];
        if (number == 0)
          std::snprintf(text, sizeof text, ": MR numbers start at 1");
        else
          std::snprintf(text, sizeof text, ": MR file %05u belongs in MR/%03u", number, (number - 1) / 100);
        scan.problems.push_back(Utf8FromPath(file.path()) + text);
        continue;
      }
      MrInput mr;
      mr.number = number;
      if (FileContent(file.path(), &mr.content, scan.problems)) scan.input.mrFiles.push_back(std::move(mr));
    }
  }
  // Folder names sort "1000" before "999"; the table follows the numbers.
  std::stable_sort(scan.input.mrFiles.begin(), scan.input.mrFiles.end(),
                   [](const MrInput& a, const MrInput& b) { return a.number < b.number; });
}

}  // namespace

uint64_t FileTimeOf(const fs::path& path) {
  uint64_t fileTime = 0;
  return io::LastWriteTime(path, &fileTime) ? fileTime : 0;
}

StagingScan ScanStaging(const fs::path& staging) {
  StagingScan scan;
  std::error_code ec;
  if (!fs::is_directory(staging, ec)) {
    scan.problems.push_back(Utf8FromPath(staging) + " is not a folder");
    return scan;
  }
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    std::string rel = Utf8FromWide(pkg::kFixedEntryPaths[i]);
    std::replace(rel.begin(), rel.end(), '\\', '/');
    Content content;
    if (FileContent(staging / PathFromUtf8(rel), &content, scan.problems)) scan.input.fixed[i] = std::move(content);
  }
  if (fs::is_directory(staging / "SongMR", ec)) ScanSongs(staging / "SongMR", scan);
  if (fs::is_directory(staging / "Fonts", ec)) ScanFonts(staging / "Fonts", scan);
  if (fs::is_directory(staging / "MR", ec)) ScanMr(staging / "MR", scan);

  static const char* const kKnown[] = {"Driver", "Doc", "User", "SongMR", "Fonts", "MR", "Log", "Playlist"};
  for (const auto& entry : SortedEntries(staging, scan.problems)) {
    std::string name = Name(entry);
    bool known = std::find(std::begin(kKnown), std::end(kKnown), name) != std::end(kKnown);
    for (uint32_t i = 0; i < pkg::kFixedEntriesUsed && !known; ++i)
      known = Utf8FromWide(pkg::kFixedEntryPaths[i]) == name;
    if (!known) scan.notes.push_back("not packaged: " + Utf8FromPath(entry.path()));
  }
  return scan;
}

}  // namespace kvpack
