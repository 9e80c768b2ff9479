// The staging walker: every name is checked against the installed layout
// (folder and number must agree, font names must be bare names), so that a
// built package extracts back to exactly the staged tree.
#include "staging.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "text.h"

namespace kvpack {

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

// Entries of a folder sorted by name (byte order), so the walk and therefore
// the package do not depend on the file system's order.
std::vector<fs::directory_entry> SortedEntries(const fs::path& dir, std::vector<std::string>& problems) {
  std::vector<fs::directory_entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(*it);
  if (ec) problems.push_back("cannot read folder " + dir.string() + ": " + ec.message());
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  return entries;
}

bool AllDigits(const std::string& s, size_t count) {
  return s.size() == count && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A regular file's content reference; false with a problem when it is not one.
bool FileContent(const fs::path& path, Content* out, std::vector<std::string>& problems) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    problems.push_back(path.string() + " is not a regular file");
    return false;
  }
  *out = Content::FromFile(path, static_cast<uint64_t>(st.st_size), FileTimeOf(path));
  return true;
}

void ScanSongs(const fs::path& root, StagingScan& scan) {
  for (const auto& folder : SortedEntries(root, scan.problems)) {
    std::string nn = folder.path().filename().string();
    if (!folder.is_directory() || !AllDigits(nn, 2)) {
      scan.problems.push_back("unexpected " + folder.path().string() + " (song folders are SongMR/NN)");
      continue;
    }
    for (const auto& file : SortedEntries(folder.path(), scan.problems)) {
      std::string name = file.path().filename().string();
      if (name.size() != 7 || name.substr(3) != ".esz" || !AllDigits(name.substr(0, 3), 3)) {
        scan.problems.push_back("unexpected " + file.path().string() + " (songs are NNN.esz)");
        continue;
      }
      uint32_t number = static_cast<uint32_t>(std::stoul(name.substr(0, 3)));
      if (number / 10 != static_cast<uint32_t>(std::stoul(nn))) {
        char text[64];
        std::snprintf(text, sizeof text, " is misplaced: song %03u belongs in SongMR/%02u", number,
                      number / 10);
        scan.problems.push_back(file.path().string() + text);
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
    std::string name = entry.path().filename().string();
    if (entry.is_directory()) {
      if (name == "Info") infos = SortedEntries(entry.path(), scan.problems);
      else scan.problems.push_back("unexpected folder " + entry.path().string());
      continue;
    }
    auto units = Utf16FromUtf8(name);
    if (!units) {
      scan.problems.push_back("font name " + entry.path().string() + " is not valid UTF-8");
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
    std::string name = entry.path().filename().string();
    if (name.size() <= 4 || name.substr(name.size() - 4) != ".ftb") {
      scan.problems.push_back("unexpected " + entry.path().string() + " (info files are <font>.ftb)");
      continue;
    }
    auto units = Utf16FromUtf8(name.substr(0, name.size() - 4));
    auto it = units ? std::find_if(scan.input.fonts.begin(), scan.input.fonts.end(),
                                   [&](const FontInput& f) { return f.name == *units; })
                    : scan.input.fonts.end();
    if (it == scan.input.fonts.end()) {
      scan.problems.push_back("info file " + entry.path().string() + " has no font " +
                              name.substr(0, name.size() - 4) + " in Fonts");
      continue;
    }
    Content content;
    if (FileContent(entry.path(), &content, scan.problems)) it->info = std::move(content);
  }
}

void ScanMr(const fs::path& root, StagingScan& scan) {
  for (const auto& folder : SortedEntries(root, scan.problems)) {
    std::string nnn = folder.path().filename().string();
    if (!folder.is_directory() || !AllDigits(nnn, 3)) {
      scan.problems.push_back("unexpected " + folder.path().string() + " (MR folders are MR/NNN)");
      continue;
    }
    for (const auto& file : SortedEntries(folder.path(), scan.problems)) {
      std::string name = file.path().filename().string();
      if (name.size() != 9 || name.substr(5) != ".emr" || !AllDigits(name.substr(0, 5), 5)) {
        scan.problems.push_back("unexpected " + file.path().string() + " (MR files are NNNNN.emr)");
        continue;
      }
      uint32_t number = static_cast<uint32_t>(std::stoul(name.substr(0, 5)));
      if (number == 0 || (number - 1) / 100 != static_cast<uint32_t>(std::stoul(nnn))) {
        char text[96];
        if (number == 0)
          std::snprintf(text, sizeof text, ": MR numbers start at 1");
        else
          std::snprintf(text, sizeof text, ": MR file %05u belongs in MR/%03u", number, (number - 1) / 100);
        scan.problems.push_back(file.path().string() + text);
        continue;
      }
      MrInput mr;
      mr.number = number;
      if (FileContent(file.path(), &mr.content, scan.problems)) scan.input.mrFiles.push_back(std::move(mr));
    }
  }
}

}  // namespace

uint64_t FileTimeOf(const fs::path& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return 0;
  int64_t ticks = static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100;
  // Times before 1601 cannot be expressed; they become the earliest FILETIME.
  if (ticks < -static_cast<int64_t>(kUnixEpochAsFileTime)) return 0;
  return kUnixEpochAsFileTime + static_cast<uint64_t>(ticks);
}

StagingScan ScanStaging(const fs::path& staging) {
  StagingScan scan;
  std::error_code ec;
  if (!fs::is_directory(staging, ec)) {
    scan.problems.push_back(staging.string() + " is not a folder");
    return scan;
  }
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    std::string rel = Utf8FromWide(pkg::kFixedEntryPaths[i]);
    std::replace(rel.begin(), rel.end(), '\\', '/');
    Content content;
    if (FileContent(staging / rel, &content, scan.problems)) scan.input.fixed[i] = std::move(content);
  }
  if (fs::is_directory(staging / "SongMR", ec)) ScanSongs(staging / "SongMR", scan);
  if (fs::is_directory(staging / "Fonts", ec)) ScanFonts(staging / "Fonts", scan);
  if (fs::is_directory(staging / "MR", ec)) ScanMr(staging / "MR", scan);

  static const char* const kKnown[] = {"Driver", "Doc", "User", "SongMR", "Fonts", "MR", "Log", "Playlist"};
  for (const auto& entry : SortedEntries(staging, scan.problems)) {
    std::string name = entry.path().filename().string();
    bool known = std::find(std::begin(kKnown), std::end(kKnown), name) != std::end(kKnown);
    for (uint32_t i = 0; i < pkg::kFixedEntriesUsed && !known; ++i)
      known = Utf8FromWide(pkg::kFixedEntryPaths[i]) == name;
    if (!known) scan.notes.push_back("not packaged: " + entry.path().string());
  }
  return scan;
}

}  // namespace kvpack
