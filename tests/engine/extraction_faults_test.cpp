// Extraction under faults: cancel, a data part that changes after the check,
// bad MR records, install folders too long for a path, a full disk, and MR
// files that fill the whole table or do not fit the transfer buffer. Files
// written before a failure must stay intact; nothing unwritten is reported
// as written.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>

#include "engine/extraction.h"
#include "engine/install_state.h"
#include "engine/package_format.h"
#include "engine/package_reader.h"
#include "tests/engine/extraction_support.h"

namespace {

using extraction_support::ExtractionTest;
using extraction_support::MrPath;
using extraction_support::SongPath;
namespace fs = std::filesystem;

// Clears runFlag from a second thread, as the progress page's Cancel does,
// as soon as the caption shows a file of the given kind (".esz", ".emr")
// numbered at least `from`. A watcher on a busy machine may see a later file
// first; any file from `from` on will do.
class CancelWhenCaptionShows {
 public:
  CancelWhenCaptionShows(const wchar_t* extension, unsigned from)
      : thread_([this, extension, from] { Watch(extension, from); }) {}
  ~CancelWhenCaptionShows() {
    stop_.store(true);
    thread_.join();
  }
  bool cleared() const { return cleared_.load(); }
  uint64_t progressWhenCleared() const { return progress_.load(); }

 private:
  // The number in "...\NNN.esz" or "...\NNNNN.emr", or -1.
  static long FileNumber(const wchar_t* caption, const wchar_t* extension) {
    const wchar_t* dot = std::wcsstr(caption, extension);
    if (!dot) return -1;
    const wchar_t* start = dot;
    while (start > caption && start[-1] >= L'0' && start[-1] <= L'9') --start;
    if (start == dot) return -1;
    long number = 0;
    for (const wchar_t* p = start; p < dot; ++p) number = number * 10 + (*p - L'0');
    return number;
  }
  void Watch(const wchar_t* extension, unsigned from) {
    wchar_t caption[kPathUnits];
    while (!stop_.load()) {
      CopyStepCaption(caption);
      long number = FileNumber(caption, extension);
      if (number >= static_cast<long>(from)) {
        progress_.store(installState.progressPos.load());
        installState.runFlag.store(0);
        cleared_.store(true);
        return;
      }
      std::this_thread::yield();
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<bool> cleared_{false};
  std::atomic<uint64_t> progress_{0};
  std::thread thread_;
};

TEST_F(ExtractionTest, CancelAfterSomeSongsKeepsTheWrittenOnes) {
  // Enough songs that a watcher thread on a busy machine still sees one early.
  constexpr uint32_t kSongs = 150;
  input.songs.clear();
  for (uint32_t song = 0; song < kSongs; ++song) input.songs[song] = fixture::Data(256 + song, song);
  ASSERT_EQ(0, WriteAndOpen());
  int code = 0;
  {
    CancelWhenCaptionShows cancel(L".esz", 5);
    code = ExtractPackage();
  }
  EXPECT_EQ(kEntryCancelled, code);
  // Songs 0 ... k were written whole, with k at least 5 (the song being
  // written when Cancel came); none after k, no font, no MR file.
  uint32_t written = 0;
  for (; written < kSongs && Exists(SongPath(written)); ++written)
    ExpectFile(SongPath(written), input.songs[written]);
  EXPECT_GE(written, 6u);
  EXPECT_LT(written, kSongs);
  for (uint32_t song = written; song < kSongs; ++song) EXPECT_FALSE(Exists(SongPath(song)));
  EXPECT_FALSE(Exists("Fonts"));
  EXPECT_FALSE(Exists("MR"));
}

TEST_F(ExtractionTest, CancelDuringMrFilesDoesNotStopThem) {
  // Enough MR files that the watcher sees the phase while it still runs.
  input.mrFiles.clear();
  for (uint32_t number = 1; number <= 600; ++number)
    input.mrFiles.push_back({number, fixture::Data(40, number)});
  ASSERT_EQ(0, WriteAndOpen());
  int code = 0;
  uint64_t progressWhenCleared = 0;
  {
    CancelWhenCaptionShows cancel(L".emr", 2);
    code = ExtractPackage();
    ASSERT_TRUE(cancel.cleared());
    progressWhenCleared = cancel.progressWhenCleared();
  }
  EXPECT_EQ(0, code);
  EXPECT_EQ(0u, installState.runFlag.load());
  EXPECT_LT(progressWhenCleared, installState.progressPos.load());
  for (const kvpack::MrInput& mr : input.mrFiles) ExpectFile(MrPath(mr.number), mr.content);
}

// MR files 1, 2 | 100 | 101 | 90001 in parts 1 | 2 | 3 | 4 (part limit 1000;
// the first two are the last of part 1 and the whole of part 2).
TEST_F(ExtractionTest, DataPartFaultsStopAtTheirPart) {
  // Adds one to a field of MR record r.
  auto bump = [](const fs::path& d, uint32_t r, uint32_t field) {
    const uint32_t at = pkg::kOffMrRecords + r * pkg::kMrRecordSize + field;
    fixture::SetHeaderU32(d, at, fixture::ReadU32At(fixture::IndexFile(d), at) + 1);
  };
  // Header words are read only by the package check, so they change before
  // it; part files change after it.
  struct Case {
    const char* what;
    bool beforeCheck;
    std::function<void(const fs::path& pkgDir)> change;
    int code;
    uint32_t writtenMr;  // MR files written, in record order
  };
  const Case cases[] = {
      {"part 3 removed after the check", false,
       [](const fs::path& d) { fs::remove(fixture::PartFile(d, 3)); }, kPartCannotOpen, 3},
      {"part 2 grown after the check", false,
       [](const fs::path& d) {
         fixture::Resize(fixture::PartFile(d, 2), fs::file_size(fixture::PartFile(d, 2)) + 1);
       },
       kPartSizeMismatch,
       2},
      {"first file of part 2 at offset 4", true,
       [&](const fs::path& d) {
         fixture::SetHeaderU32(d, pkg::kOffMrRecords + 2 * pkg::kMrRecordSize + pkg::kMrOffPartOffset, 4);
       },
       kMrBadOffset, 2},
      {"second file of part 1 one byte behind", true,
       [&](const fs::path& d) { bump(d, 1, pkg::kMrOffPartOffset); },
       kMrBadOffset, 1},
      {"second file of part 1 runs past its end", true,
       [&](const fs::path& d) { bump(d, 1, pkg::kMrOffSize); },
       kMrPastPartEnd, 1},
      {"last file runs past the last part", true,
       [&](const fs::path& d) { bump(d, 4, pkg::kMrOffSize); },
       kMrPastPartEnd, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(installDir);
    ASSERT_TRUE(fixture::Write(input, pkgDir, 1000));
    if (c.beforeCheck) c.change(pkgDir);
    ASSERT_EQ(0, Open());
    if (!c.beforeCheck) c.change(pkgDir);
    EXPECT_EQ(c.code, ExtractPackage());
    for (uint32_t i = 0; i < input.mrFiles.size(); ++i) {
      if (i < c.writtenMr) {
        ExpectFile(MrPath(input.mrFiles[i].number), input.mrFiles[i].content);
      } else {
        EXPECT_FALSE(Exists(MrPath(input.mrFiles[i].number))) << input.mrFiles[i].number;
      }
    }
  }
}

TEST_F(ExtractionTest, TheMrWalkEndsWithTheTable) {
  // All 2,000 records used, and a further part that no record names.
  input.mrFiles.clear();
  for (uint32_t number = 1; number <= pkg::kMrRecords; ++number)
    input.mrFiles.push_back({number, fixture::Data(1 + number % 3, number)});
  ASSERT_TRUE(fixture::Write(input, pkgDir));
  AddUnnamedPart(2, 7);
  ASSERT_EQ(0, Open());
  EXPECT_EQ(0, ExtractPackage());
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(At("MR")))
    files += entry.is_regular_file();
  EXPECT_EQ(size_t(pkg::kMrRecords), files);
  ExpectFile(MrPath(1), input.mrFiles.front().content);
  ExpectFile(MrPath(2000), input.mrFiles.back().content);
  EXPECT_EQ(installState.packageBytes, installState.progressPos.load() + 7);  // part 2 unread
}

// An install folder whose path has exactly `units` units, inside the scratch
// folder (the engine makes its last level).
fs::path FolderOfLength(const fs::path& base, size_t units) {
  fs::path path = base;
  size_t length = fixture::Wide(path).size();
  while (length + 1 < units) {
    // A separator and a name of at most 60 units, never leaving room for a
    // separator alone.
    const size_t room = units - length - 1;
    const size_t name = room <= 60 ? room : (room >= 62 ? 60 : 59);
    path /= std::string(name, 'd');
    length += 1 + name;
  }
  fs::create_directories(path.parent_path());
  return path;
}

TEST_F(ExtractionTest, PathsThatDoNotFitFailTheirFile) {
  struct Case {
    const char* what;
    size_t dirUnits;
    uint32_t features;
    uint32_t mrNumber;
    int code;
    const char* lastWritten;  // relative path that must exist, or nullptr
    const char* notWritten;
  };
  // Longest paths below the install folder: "\Driver\FTDIDriver.zip" (22),
  // "\Doc\Korvane사용설명서.pdf" (21), "\Fonts\Info\Alpha.ttf.ftb" (25) and
  // "\MR\42949672\4294967295.emr" (27); 259 units fit a path buffer.
  const Case cases[] = {
      {"all fit, the MR path exactly", 232, 7, 4294967295u, 0, "MR/42949672/4294967295.emr",
       nullptr},
      {"font info path fits exactly", 234, 7, 90001, 0, "Fonts/Info/Alpha.ttf.ftb", nullptr},
      {"font info one unit too long", 235, 7, 90001, kEntryCannotCreate, "Fonts/Alpha.ttf",
       "Fonts/Info/Alpha.ttf.ftb"},
      {"MR path one unit too long", 233, 3, 4294967295u, kMrWriteFailed, "MR/000/00100.emr",
       "MR/42949672/4294967295.emr"},
      {"FTDI path one unit too long", 238, 7, 90001, kEntryCannotCreate, "Driver/haspdinst.exe",
       "Driver/FTDIDriver.zip"},
      {"install folder of 259 units", 259, 7, 90001, kEntryCannotCreate, nullptr, "Driver"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    input = fixture::SmallInput();
    input.fonts.resize(1);  // Alpha.ttf with its info file
    input.mrFiles.back().number = c.mrNumber;
    ASSERT_TRUE(fixture::Write(input, pkgDir));
    installDir = FolderOfLength(scratch.path() / ("L" + std::to_string(c.dirUnits)), c.dirUnits);
    ASSERT_EQ(c.dirUnits, fixture::Wide(installDir).size());
    ASSERT_EQ(0, Open(c.features));
    EXPECT_EQ(c.code, ExtractPackage());
    if (c.lastWritten) {
      EXPECT_TRUE(Exists(c.lastWritten)) << c.lastWritten;
    }
    if (c.notWritten) {
      EXPECT_FALSE(Exists(c.notWritten)) << c.notWritten;
    }
  }
}

#ifndef _WIN32

// Runs ExtractPackage in a child process whose files may not grow beyond
// `limit` bytes (a full disk as far as the writes can tell) and returns its
// result.
int ExtractWithFileSizeLimit(rlim_t limit) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a short write instead of a signal
    struct rlimit rl = {limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    _exit(ExtractPackage() + 64);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 1000;
  return WEXITSTATUS(status) - 64;
}

TEST_F(ExtractionTest, FullDiskDuringASongStopsWithShortWrite) {
  input.songs[6] = fixture::Data(64 * 1024, 6);
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(kEntryShortWrite, ExtractWithFileSizeLimit(32 * 1024));
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i)
    ExpectFile(extraction_support::kFixedFiles[i], *input.fixed[i]);
  ExpectFile(SongPath(0), input.songs.at(0));
  ExpectFile(SongPath(4), input.songs.at(4));
  EXPECT_LE(fs::file_size(At(SongPath(6))), 32u * 1024);
  EXPECT_FALSE(Exists(SongPath(17)));
  EXPECT_FALSE(Exists("Fonts"));
}

TEST_F(ExtractionTest, FullDiskDuringAnMrFileStopsWithWriteFailure) {
  input.mrFiles[2].content = fixture::Data(64 * 1024, 100);  // MR 100
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(kMrWriteFailed, ExtractWithFileSizeLimit(32 * 1024));
  ExpectFile(MrPath(1), input.mrFiles[0].content);
  ExpectFile(MrPath(2), input.mrFiles[1].content);
  EXPECT_LE(fs::file_size(At(MrPath(100))), 32u * 1024);
  EXPECT_FALSE(Exists(MrPath(101)));
  ExpectFile(SongPath(999), input.songs.at(999));
}

TEST_F(ExtractionTest, AnMrFileLargerThanTheTransferBufferIsCopiedInPieces) {
  // kvpack refuses such files, so MR 50 is packaged with 8 bytes and then
  // grown in place to 128 MiB + 8: a sparse stretch with marks around the
  // buffer's edge and at its end, followed by the rest of the part.
  input.mrFiles.insert(input.mrFiles.begin() + 1,
                       {50, kvpack::Content::FromBytes({'h', 'e', 'a', 'd', 1, 2, 3, 4}, fixture::kTime)});
  ASSERT_TRUE(fixture::Write(input, pkgDir));
  const fs::path part = fixture::PartFile(pkgDir, 1);
  std::vector<uint8_t> original = fixture::ReadAll(part);
  const uint32_t at = input.mrFiles[0].content.size;  // MR 50's offset
  const uint32_t size = pkg::kTransferBufferSize + 8;
  const uint32_t grow = size - 8;
  fixture::Resize(part, original.size() + grow);
  {
    std::fstream io(part, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(at + size);
    io.write(reinterpret_cast<const char*>(original.data() + at + 8),
             static_cast<std::streamsize>(original.size() - at - 8));
    ASSERT_TRUE(io);
  }
  fixture::PatchU32(part, at + 4, 0);
  fixture::PatchU32(part, at + pkg::kTransferBufferSize - 2, 0xA1B2C3D4u);
  fixture::PatchU32(part, at + size - 4, 0x01020304u);
  const uint32_t record50 = pkg::kOffMrRecords + 1 * pkg::kMrRecordSize;
  fixture::SetHeaderU32(pkgDir, record50 + pkg::kMrOffSize, size);
  for (uint32_t r = 2; r < input.mrFiles.size(); ++r) {  // the files behind it move
    const uint32_t offset = pkg::kOffMrRecords + r * pkg::kMrRecordSize + pkg::kMrOffPartOffset;
    fixture::SetHeaderU32(pkgDir, offset,
                          fixture::ReadU32At(fixture::IndexFile(pkgDir), offset) + grow);
  }
  fixture::SetHeaderU32(pkgDir, pkg::kOffPartSizes, static_cast<uint32_t>(original.size() + grow));

  ASSERT_EQ(0, Open());
  EXPECT_EQ(0, ExtractPackage());
  const fs::path written = At(MrPath(50));
  ASSERT_EQ(size, fs::file_size(written));
  EXPECT_EQ(0x64616568u, fixture::ReadU32At(written, 0));  // "head"
  EXPECT_EQ(0xA1B2C3D4u, fixture::ReadU32At(written, pkg::kTransferBufferSize - 2));
  EXPECT_EQ(0x01020304u, fixture::ReadU32At(written, size - 4));
  // The files after it come from the right places of the part.
  for (const kvpack::MrInput& mr : input.mrFiles)
    if (mr.number != 50) ExpectFile(MrPath(mr.number), mr.content);
}

#endif  // !_WIN32

}  // namespace
