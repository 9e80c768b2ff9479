// kvpack: a built package passes the engine's checks, builds are byte-
// identical, damage to any entry is reported by verify, and the builder
// refuses what the format or the setup program cannot take.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <random>
#include <functional>
#include <string>
#include <vector>

#include "engine/install_state.h"
#include "engine/package_reader.h"
#include "tests/engine/package_fixture.h"
#include "tools/kvpack/commands.h"
#include "tools/kvpack/package_check.h"
#include "tools/kvpack/package_writer.h"
#include "tools/kvpack/sample.h"
#include "tools/kvpack/staging.h"
#include "tools/kvpack/text.h"

namespace {

namespace fs = std::filesystem;

int RunVerb(int (*verb)(int, char**), std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return verb(static_cast<int>(argv.size()), argv.data());
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

void WriteFile(const fs::path& path, size_t size, uint32_t seed = 1) {
  fs::create_directories(path.parent_path());
  std::vector<uint8_t> bytes = fixture::Bytes(size, seed);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), size);
}

class KvpackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    staging_ = scratch_ / "staging";
    kvpack::SampleOptions o;
    o.songs = 6;
    o.fonts = 5;
    o.mrFiles = 7;
    o.scale = 64 * 1024;
    std::string error;
    ASSERT_TRUE(kvpack::WriteSample(staging_, o, &error)) << error;
  }
  static std::string MrRel(uint32_t n) {
    char rel[40];
    std::snprintf(rel, sizeof rel, "MR/%03u/%05u.emr", (n - 1) / 100, n);
    return rel;
  }
  void TearDown() override { ClosePackageFile(); }

  // The problems the builder reports for the staging tree (empty: it builds).
  std::string BuildProblems(const kvpack::WriteOptions& options = {}) {
    kvpack::StagingScan scan = kvpack::ScanStaging(staging_);
    if (!scan.problems.empty()) return Joined(scan.problems);
    return Joined(kvpack::CheckInput(scan.input, options));
  }
  int Build(const fs::path& out, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", staging_.string(), out.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunVerb(RunBuildCommand, args);
  }

  fixture::Scratch scratch_;
  fs::path staging_;
};

TEST_F(KvpackTest, BuiltPackageVerifiesAndKeepsTimes) {
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out, {"--version", "3,1,4,1,5,9,2,6,5", "--part-limit", "20000"}), 0);
  EXPECT_EQ(RunVerb(RunVerifyCommand, {"verify", out.string()}), 0);
  EXPECT_EQ(RunVerb(RunListCommand, {"list", out.string()}), 0);
  kvpack::VerifyReport report = kvpack::VerifyPackage(out);
  EXPECT_TRUE(report.sound()) << Joined(report.problems);
  EXPECT_EQ(Joined(report.warnings), "");
  EXPECT_EQ(report.entries, 19u + 6 + 5 + 4);  // every fourth font has no info file
  EXPECT_EQ(report.mrRecords, 7u);
  EXPECT_TRUE(fs::exists(out / "KVSetup.d02"));

  ASSERT_EQ(kvpack::OpenPackageFolder(out), kOpenOk);
  EXPECT_EQ(pkg::ReadU32(installState.versionBlock + 32), 5u);
  int checked = 0;
  kvpack::WalkEntries([&](const kvpack::EntryInfo& e) {
    if (e.kind != kvpack::EntryInfo::kFixed || e.code != 0) return;
    std::string rel = e.Label();
    for (char& c : rel) if (c == '\\') c = '/';
    EXPECT_EQ(e.view.lastWriteTime, kvpack::FileTimeOf(staging_ / rel)) << rel;
    ++checked;
  });
  EXPECT_EQ(checked, 19);
  for (const kvpack::MrInfo& m : kvpack::MrTable()) {
    char rel[32];
    std::snprintf(rel, sizeof rel, "MR/%03u/%05u.emr", (m.number - 1) / 100, m.number);
    EXPECT_EQ(m.lastWriteTime, kvpack::FileTimeOf(staging_ / rel)) << rel;
    EXPECT_EQ(m.size, fs::file_size(staging_ / rel)) << rel;
  }
}

TEST_F(KvpackTest, SameInputGivesTheSameBytes) {
  ASSERT_EQ(Build(scratch_ / "a", {"--part-limit", "20000"}), 0);
  ASSERT_EQ(Build(scratch_ / "b", {"--part-limit", "20000"}), 0);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(scratch_ / "a")) {
    EXPECT_EQ(fixture::ReadAll(entry.path()), fixture::ReadAll(scratch_ / "b" / entry.path().filename()))
        << entry.path().filename().string();
    ++files;
  }
  EXPECT_GT(files, 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch_ / "b"), fs::directory_iterator()), files);
}

TEST_F(KvpackTest, FlippedByteInAnyEntryIsReported) {
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out), 0);
  struct Entry {
    std::string label;
    uint32_t start, length;
  };
  std::vector<Entry> entries;
  ASSERT_EQ(kvpack::OpenPackageFolder(out), kOpenOk);
  kvpack::WalkEntries([&](const kvpack::EntryInfo& e) {
    if (e.present) entries.push_back({e.Label(), e.start, e.view.length});
  });
  ClosePackageFile();
  ASSERT_EQ(entries.size(), 34u);
  const fs::path index = fixture::IndexFile(out);
  for (const Entry& e : entries) {
    // A data byte (at a spot that moves through the entry) and a CRC byte.
    for (uint32_t offset : {12 + (e.start / 4) % e.length, 1u}) {
      fixture::FlipByte(index, e.start + offset, 0x04);
      kvpack::VerifyReport report = kvpack::VerifyPackage(out);
      fixture::FlipByte(index, e.start + offset, 0x04);
      ASSERT_EQ(report.openCode, kOpenOk);
      ASSERT_EQ(report.problems.size(), 1u) << e.label << " +" << offset << "\n" << Joined(report.problems);
      EXPECT_NE(report.problems[0].find(e.label + ": entry CRC mismatch"), std::string::npos) << report.problems[0];
    }
  }
  EXPECT_TRUE(kvpack::VerifyPackage(out).sound());
}

// Sets font name f of dir's package (header CRC refreshed).
void SetFontName(const fs::path& dir, uint32_t f, const std::u16string& name) {
  std::u16string units = name;
  units.resize(pkg::kFontNameBytes / 2, u'\0');
  for (uint32_t i = 0; i < units.size(); i += 2)
    fixture::SetHeaderU32(dir, pkg::kOffFontNames + pkg::kFontNameBytes * f + 2 * i,
                          units[i] | uint32_t(units[i + 1]) << 16);
}

// Damage that the setup program's open accepts, sorted by what it does: a
// problem (extraction fails or installs something else; exit 1) or a warning
// (the setup program installs exactly what was packed; exit 0).
TEST_F(KvpackTest, VerifyTellsProblemsFromWarnings) {
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out), 0);
  const fs::path index = fixture::IndexFile(out);
  auto record = [](uint32_t r, uint32_t field) { return pkg::kOffMrRecords + pkg::kMrRecordSize * r + field; };
  auto grow = [](const fs::path& file, uint32_t by) { fixture::Resize(file, fs::file_size(file) + by); };
  uint32_t padAt = 0;  // the last pad byte of the first entry that has one
  ASSERT_EQ(kvpack::OpenPackageFolder(out), kOpenOk);
  kvpack::WalkEntries([&](const kvpack::EntryInfo& e) {
    if (e.present && (e.end & 3) && !padAt) padAt = (e.end & ~3u) - 1;
  });
  ClosePackageFile();
  ASSERT_NE(padAt, 0u);
  struct Case {
    const char* name;
    std::function<void()> damage;
    const char* text;
    bool problem;
  };
  const Case cases[] = {
      {"MrOffsetGap", [&] { fixture::SetHeaderU32(out, record(1, pkg::kMrOffPartOffset),
                                                  fixture::ReadU32At(index, record(1, pkg::kMrOffPartOffset)) + 4); },
       "the previous file ended at", true},
      {"MrPastPartEnd", [&] { fixture::SetHeaderU32(out, record(6, pkg::kMrOffSize),
                                                    fixture::ReadU32At(index, record(6, pkg::kMrOffSize)) + 1); },
       "runs past the end of part 1", true},
      {"MrNumberZero", [&] { fixture::SetHeaderU32(out, record(0, pkg::kMrOffNumber), 0); }, "MR number 0", true},
      {"MrNumberTwice", [&] { fixture::SetHeaderU32(out, record(3, pkg::kMrOffNumber), 90002); },
       "MR number appears twice", true},
      {"FixedSlotEmpty", [&] { fixture::SetHeaderU32(out, pkg::kOffFixedEntryEnds + 4, pkg::kHeaderSize); },
       "Driver\\키락재설치.exe: entry empty", true},  // its bytes are then read as part of the next entry
      {"FontNameUnsafe",  // ".." as the first name
       [&] {
         fixture::SetHeaderU32(out, pkg::kOffFontNames, 0x002E002E);
         fixture::SetHeaderU32(out, pkg::kOffFontNames + 4, 0);
       },
       "not a safe bare file name", true},
      {"FontNamesUnsafeInARow",  // one line for the run
       [&] {
         for (uint32_t f = 0; f < 3; ++f) {
           fixture::SetHeaderU32(out, pkg::kOffFontNames + pkg::kFontNameBytes * f, 0x002E002E);
           fixture::SetHeaderU32(out, pkg::kOffFontNames + pkg::kFontNameBytes * f + 4, 0);
         }
       },
       "font names 0 .. 2, 3 names: not safe bare file names", true},
      // Windows compares names ignoring case, in every script: the second
      // font and its info file would replace the first.
      {"FontNamesOneOnWindows", [&] { SetFontName(out, 1, u"SAMPLEFONT000.TTF"); },
       "fonts 0 (\"SampleFont000.ttf\") and 1 (\"SAMPLEFONT000.TTF\") are one name on Windows", true},
      {"KoreanAndGreekNamesOneOnWindows",
       [&] {
         SetFontName(out, 1, u"샘플σ.ttf");
         SetFontName(out, 2, u"샘플Σ.TTF");
       },
       "are one name on Windows, which ignores case", true},
      {"FontNamedLikeAShortName", [&] { SetFontName(out, 1, u"SAMPLE~1.TTF"); },
       "font name 1 (\"SAMPLE~1.TTF\") is not a safe bare file name", true},
      {"FontNamedLikeTheInfoFolder", [&] { SetFontName(out, 2, u"iNFO"); },
       "font 2 (\"iNFO\") is named like the folder Fonts\\Info", true},
      {"IndexCutShort",  // every entry past the cut fails alike: one line for the run
       [&] {
         const uint32_t size = static_cast<uint32_t>(fs::file_size(index));
         fixture::Resize(index, pkg::kHeaderSize + (size - pkg::kHeaderSize) / 2);
         fixture::SetHeaderU32(out, pkg::kOffIndexFileSize, static_cast<uint32_t>(fs::file_size(index)));
       },
       " entries: ", true},
      {"PadNotZero", [&] { fixture::FlipByte(index, padAt, 0x5A); }, "pad bytes are not zero", false},
      {"BytesBehindTheLastEntry",
       [&] {
         grow(index, 8);
         fixture::SetHeaderU32(out, pkg::kOffIndexFileSize, static_cast<uint32_t>(fs::file_size(index)));
       },
       "8 bytes behind the last entry belong to no entry", false},
      {"BytesNoRecordCovers",
       [&] {
         grow(fixture::PartFile(out, 1), 5);
         fixture::SetHeaderU32(out, pkg::kOffPartSizes, static_cast<uint32_t>(fs::file_size(fixture::PartFile(out, 1))));
       },
       "KVSetup.d01: 5 bytes belong to no MR record", false},
      // Song 1's slot goes back to where song 0 starts and song 2 ends where
      // song 0 does: song 2 is song 0's bytes read (and written) again, which
      // the reader accepts.
      {"SlotEndGoesBack",
       [&] {
         const uint32_t songStart = fixture::ReadU32At(index, pkg::kOffFixedEntryEnds + 4 * 18) & ~3u;
         fixture::SetHeaderU32(out, pkg::kOffSongEntryEnds + 4, songStart);
         fixture::SetHeaderU32(out, pkg::kOffSongEntryEnds + 8, fixture::ReadU32At(index, pkg::kOffSongEntryEnds));
       },
       "KVSetup.dat: 1 slot end goes back (the first SongMR\\00\\001.esz", false},
      {"MrNumberAboveRemoval", [&] { fixture::SetHeaderU32(out, record(6, pkg::kMrOffNumber), 100001); },
       "MR\\1000\\100001.emr): MR number outside 90001 .. 100000; removal will not delete it", false},
      {"MrNumberBelowRemoval", [&] { fixture::SetHeaderU32(out, record(0, pkg::kMrOffNumber), 90000); },
       "MR number outside 90001 .. 100000", false},
      {"MrRecordsOutOfOrder",
       [&] {
         fixture::SetHeaderU32(out, record(0, pkg::kMrOffNumber), 90002);
         fixture::SetHeaderU32(out, record(1, pkg::kMrOffNumber), 90001);
       },
       "out of order, after MR number 90002", false},
      {"MrNumber100000IsClean", [&] { fixture::SetHeaderU32(out, record(6, pkg::kMrOffNumber), 100000); }, nullptr,
       false},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> savedIndex = fixture::ReadAll(index);
    const std::vector<uint8_t> savedPart = fixture::ReadAll(fixture::PartFile(out, 1));
    c.damage();
    kvpack::VerifyReport report = kvpack::VerifyPackage(out);
    EXPECT_EQ(report.openCode, kOpenOk) << c.name;
    const std::string problems = Joined(report.problems), warnings = Joined(report.warnings);
    if (c.text == nullptr) {
      EXPECT_EQ(problems + warnings, "") << c.name;
    } else {
      EXPECT_NE((c.problem ? problems : warnings).find(c.text), std::string::npos)
          << c.name << "\nproblems:\n" << problems << "warnings:\n" << warnings;
      if (!c.problem) {
        EXPECT_EQ(problems, "") << c.name;
      }
    }
    EXPECT_EQ(RunVerb(RunVerifyCommand, {"verify", out.string()}), c.problem ? 1 : 0) << c.name;
    // The JSON document carries the same findings, escaped.
    const std::string json = kvpack::ReportJson(report);
    EXPECT_NE(json.find(c.problem ? "\"sound\": false" : "\"sound\": true"), std::string::npos) << c.name;
    if (c.text && !std::string(c.text).empty() && std::string(c.text).find_first_of("\\\"") == std::string::npos) {
      EXPECT_NE(json.find(c.text), std::string::npos) << c.name << "\n" << json;
    }
    ClosePackageFile();
    std::ofstream(index, std::ios::binary).write(reinterpret_cast<const char*>(savedIndex.data()), savedIndex.size());
    std::ofstream(fixture::PartFile(out, 1), std::ios::binary)
        .write(reinterpret_cast<const char*>(savedPart.data()), savedPart.size());
  }
  EXPECT_EQ(RunVerb(RunVerifyCommand, {"verify", (scratch_ / "nothing").string()}), 1);
}

// What extraction writes correctly, build accepts and verify calls sound:
// MR numbers past the removal range (MR\999, MR\1000, the largest number)
// and an MR file larger than the transfer buffer, which extraction copies in
// pieces. The extracted files equal the staged ones.
TEST_F(KvpackTest, BuildAcceptsWhatExtractionWrites) {
  const uint64_t big = uint64_t(pkg::kTransferBufferSize) + 4099;
  const std::string large[] = {"MR/999/100000.emr", "MR/1000/100001.emr", "MR/42949672/4294967295.emr"};
  for (size_t i = 0; i < std::size(large); ++i) WriteFile(staging_ / large[i], 300 + i, 40 + i);
  // Sparse but marked on both sides of the piece boundary and at the end,
  // so a piece out of place or lost shows.
  WriteFile(staging_ / MrRel(90050), 0);
  fs::resize_file(staging_ / MrRel(90050), big);
  for (uint64_t at : {uint64_t(0), uint64_t(pkg::kTransferBufferSize) - 1, uint64_t(pkg::kTransferBufferSize), big - 1})
    fixture::FlipByte(staging_ / MrRel(90050), at, static_cast<uint8_t>(0x11 + at % 200));
  ASSERT_EQ(BuildProblems(), "");
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out), 0);
  kvpack::VerifyReport report = kvpack::VerifyPackage(out);
  EXPECT_TRUE(report.sound()) << Joined(report.problems);
  // Records follow the numbers although "1000" sorts before "999".
  std::vector<uint32_t> numbers;
  for (const kvpack::MrInfo& m : report.records) numbers.push_back(m.number);
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
  EXPECT_EQ(numbers.back(), 4294967295u);
  // Only the two numbers outside removal's range warn.
  EXPECT_EQ(report.warnings.size(), 2u) << Joined(report.warnings);

  const fs::path installed = scratch_ / "installed";
  ASSERT_EQ(RunVerb(RunExtractCommand, {"extract", out.string(), installed.string()}), 0);
  for (const std::string& rel : {large[0], large[1], large[2], MrRel(90050)}) {
    std::ifstream a(installed / rel, std::ios::binary), b(staging_ / rel, std::ios::binary);
    std::vector<char> x(1 << 20), y(1 << 20);
    uint64_t same = 0;
    while (a.read(x.data(), x.size()), b.read(y.data(), y.size()), a.gcount() > 0 || b.gcount() > 0) {
      if (a.gcount() != b.gcount() || std::memcmp(x.data(), y.data(), a.gcount()) != 0) break;
      same += a.gcount();
    }
    EXPECT_EQ(same, fs::file_size(staging_ / rel)) << rel << " differs after " << same << " bytes";
    EXPECT_EQ(fs::file_size(installed / rel), fs::file_size(staging_ / rel)) << rel;
  }
}

// A build that fails part-way leaves the earlier package exactly as it was,
// no temporary file behind, and says what ran out.
struct Shortage {
  const char* name;
  // Makes the next build fail; false when this machine cannot (not root).
  std::function<bool(const fs::path& out)> arrange;
  std::function<void(const fs::path& out)> restore;
  const char* message;
};

class KvpackShortageTest : public KvpackTest, public ::testing::WithParamInterface<Shortage> {};

TEST_P(KvpackShortageTest, EarlierPackageSurvives) {
  const fs::path out = scratch_ / "out";
  fs::create_directories(out);
  // The second build needs more room than the first: one more MR file of
  // 3 MiB, written before any limit is set and moved in later.
  WriteFile(scratch_ / "big.emr", 3u << 20, 5);
  if (!GetParam().arrange(out)) GTEST_SKIP() << "cannot arrange the shortage here (needs root)";
  ASSERT_EQ(Build(out, {"--part-limit", "20000"}), 0);
  std::map<std::string, std::vector<uint8_t>> before, after;
  for (const auto& entry : fs::directory_iterator(out))
    before[entry.path().filename().string()] = fixture::ReadAll(entry.path());
  fs::create_directories((staging_ / MrRel(90100)).parent_path());
  fs::rename(scratch_ / "big.emr", staging_ / MrRel(90100));

  kvpack::StagingScan scan = kvpack::ScanStaging(staging_);
  std::string error;
  const bool built = kvpack::WritePackage(scan.input, out, {}, &error);
  for (const auto& entry : fs::directory_iterator(out))
    after[entry.path().filename().string()] = fixture::ReadAll(entry.path());
  const bool sound = kvpack::VerifyPackage(out).sound();
  GetParam().restore(out);
  EXPECT_FALSE(built);
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
  EXPECT_NE(error.find("the earlier package in"), std::string::npos) << error;
  EXPECT_TRUE(before == after) << "files now: " << after.size() << ", before: " << before.size();
  EXPECT_TRUE(sound);
}

// Ctrl-C in the middle of writing: the temporary files go with the process.
TEST_F(KvpackTest, InterruptedBuildLeavesNoTemporaryFile) {
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out, {"--part-limit", "20000"}), 0);
  auto names = [&] {
    std::vector<std::string> all;
    for (const auto& entry : fs::directory_iterator(out)) all.push_back(entry.path().filename().string());
    std::sort(all.begin(), all.end());
    return all;
  };
  const std::vector<std::string> before = names();
  kvpack::StagingScan scan = kvpack::ScanStaging(staging_);
  kvpack::WriteOptions options;
  uint64_t calls = 0;
  options.progress = [&](uint64_t, uint64_t) {
    if (++calls == 3) std::raise(SIGINT);  // while the data part is being written
  };
  std::string error;
  EXPECT_EXIT(kvpack::WritePackage(scan.input, out, options, &error), ::testing::KilledBySignal(SIGINT), "");
  EXPECT_EQ(names(), before);
  EXPECT_TRUE(kvpack::VerifyPackage(out).sound());
}

// SIGINT, SIGTERM or SIGHUP at a random moment of a build over an earlier
// package, half of the moments near the end, where the files are put in
// place: the folder then holds exactly the earlier package or exactly the
// new one (one has several data parts, the other one), and nothing else.
TEST_F(KvpackTest, InterruptAtAnyMomentLeavesOnePackageWhole) {
  using Snapshot = std::map<std::string, std::vector<uint8_t>>;
  auto snapshot = [](const fs::path& dir) {
    Snapshot files;
    for (const auto& entry : fs::directory_iterator(dir))
      files[entry.path().filename().string()] = fixture::ReadAll(entry.path());
    return files;
  };
  kvpack::StagingScan scan = kvpack::ScanStaging(staging_);
  ASSERT_TRUE(scan.problems.empty()) << Joined(scan.problems);
  kvpack::PackageInput inputs[2] = {scan.input, scan.input};
  inputs[1].versionWords[0] = 2;
  kvpack::WriteOptions options[2];
  options[0].partLimit = 20000;
  Snapshot packages[2];
  std::string error;
  for (int k = 0; k < 2; ++k) {
    const fs::path dir = scratch_ / ("package" + std::to_string(k));
    ASSERT_TRUE(kvpack::WritePackage(inputs[k], dir, options[k], &error)) << error;
    packages[k] = snapshot(dir);
  }
  ASSERT_GT(packages[0].size(), packages[1].size() + 1);

  const fs::path out = scratch_ / "out";
  ASSERT_TRUE(kvpack::WritePackage(inputs[0], out, options[0], &error)) << error;
  // Builds package k over the other one in a child that gets the signal
  // after delay (none when zero); the child's wait status.
  auto build = [&](int k, int signal, std::chrono::nanoseconds delay) {
    pid_t child = fork();
    if (child == 0) {
      timer_t timer;
      sigevent event = {};
      event.sigev_notify = SIGEV_SIGNAL;
      event.sigev_signo = signal;
      itimerspec when = {};
      when.it_value.tv_sec = delay.count() / 1000000000;
      when.it_value.tv_nsec = delay.count() % 1000000000;
      if (delay.count() > 0 && (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0 ||
                                timer_settime(timer, 0, &when, nullptr) != 0))
        _exit(3);
      std::string childError;
      _exit(kvpack::WritePackage(inputs[k], out, options[k], &childError) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
  };
  // How long a whole build takes from the fork, each way.
  std::chrono::nanoseconds whole[2] = {};
  for (int round = 0; round < 3; ++round) {
    for (int k : {1, 0}) {
      auto start = std::chrono::steady_clock::now();
      ASSERT_EQ(build(k, SIGINT, {}), 0);
      whole[k] = std::max(whole[k], std::chrono::steady_clock::now() - start);
    }
  }

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  int current = 0, finished = 0, interrupted = 0;
  const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  for (int trial = 0; trial < 120; ++trial) {
    const int next = 1 - current;
    const bool nearEnd = trial % 2 == 1;
    const double total = static_cast<double>(whole[next].count());
    std::uniform_real_distribution<double> moment(nearEnd ? 0.5 * total : 0.0, nearEnd ? 1.2 * total : total);
    const int signal = kSignals[trial % 3];
    const int status = build(next, signal, std::chrono::nanoseconds(static_cast<int64_t>(moment(random)) + 1));
    ASSERT_TRUE((WIFEXITED(status) && WEXITSTATUS(status) == 0) ||
                (WIFSIGNALED(status) && WTERMSIG(status) == signal))
        << "trial " << trial << ", seed " << seed << ": wait status " << status;
    const Snapshot now = snapshot(out);
    std::string names;
    for (const auto& [name, bytes] : now) names += " " + name;
    ASSERT_TRUE(now == packages[0] || now == packages[1])
        << "trial " << trial << " (signal " << signal << ", seed " << seed << ") left:" << names;
    // The disk's speed changes from build to build on a busy machine: the
    // moments near the end follow it, later after a build cut short before
    // its renames, earlier after one that ended before the signal.
    if (nearEnd && WIFEXITED(status)) whole[next] = whole[next] * 9 / 10;
    if (nearEnd && WIFSIGNALED(status) && now != packages[next]) whole[next] = whole[next] * 23 / 20;
    if (WIFSIGNALED(status)) ++interrupted;
    if (now == packages[next]) current = next, ++finished;
  }
  // The moments reach both sides of the renames.
  EXPECT_GT(interrupted, 10) << "seed " << seed;
  EXPECT_GT(finished, 10) << "seed " << seed;
}

// A data part of the earlier package that cannot be removed (immutable here,
// read-only or in use on Windows) once the new, smaller package is in place:
// the build says which file stays instead of reporting plain success.
TEST_F(KvpackTest, EarlierFileThatStaysIsReported) {
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out, {"--part-limit", "20000"}), 0);
  const fs::path last = out / kvpack::PartFileName(3);
  ASSERT_TRUE(fs::exists(last));
  if (std::system(("chattr +i '" + last.string() + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "cannot make a file immutable here (needs root and ext4)";
  kvpack::StagingScan scan = kvpack::ScanStaging(staging_);
  std::string error;
  const bool built = kvpack::WritePackage(scan.input, out, {}, &error);
  std::system(("chattr -i '" + last.string() + "'").c_str());
  EXPECT_FALSE(built);
  EXPECT_NE(error.find("KVSetup.d03"), std::string::npos) << error;
  EXPECT_NE(error.find("the new package is in"), std::string::npos) << error;
  fs::remove(last);
  EXPECT_TRUE(kvpack::VerifyPackage(out).sound());
  for (const auto& entry : fs::directory_iterator(out))
    EXPECT_EQ(entry.path().filename().string().find(".kvpack-"), std::string::npos) << entry.path();
}

rlim_t savedFileLimit = RLIM_INFINITY;

const Shortage kShortages[] = {
    {"DiskFull",  // a 1 MiB file system mounted over the output folder
     [](const fs::path& out) {
       return std::system(("mount -t tmpfs -o size=1m kvpacktest '" + out.string() + "' 2>/dev/null").c_str()) == 0;
     },
     [](const fs::path& out) {
       ClosePackageFile();
       std::system(("umount '" + out.string() + "'").c_str());
     },
     "no space left on device"},
    {"FileSizeLimit",  // RLIMIT_FSIZE below the new data part
     [](const fs::path&) {
       std::signal(SIGXFSZ, SIG_IGN);
       rlimit limit;
       getrlimit(RLIMIT_FSIZE, &limit);
       savedFileLimit = limit.rlim_cur;
       limit.rlim_cur = 2u << 20;
       return setrlimit(RLIMIT_FSIZE, &limit) == 0;
     },
     [](const fs::path&) {
       rlimit limit;
       getrlimit(RLIMIT_FSIZE, &limit);
       limit.rlim_cur = savedFileLimit;
       setrlimit(RLIMIT_FSIZE, &limit);
     },
     "file too large"},
};

INSTANTIATE_TEST_SUITE_P(Kvpack, KvpackShortageTest, ::testing::ValuesIn(kShortages),
                         [](const auto& info) { return std::string(info.param.name); });

// Changes to a sound staging tree and the refusal each must cause.
struct Refusal {
  const char* name;
  std::function<void(const fs::path& staging)> change;
  const char* message;
};

class KvpackRefusalTest : public KvpackTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(KvpackRefusalTest, RefusesClearly) {
  ASSERT_EQ(BuildProblems(), "");
  GetParam().change(staging_);
  const std::string problems = BuildProblems();
  EXPECT_NE(problems.find(GetParam().message), std::string::npos) << problems;
  EXPECT_EQ(Build(scratch_ / "out"), 1);
  EXPECT_FALSE(fs::exists(scratch_ / "out" / "KVSetup.dat"));
}

const Refusal kRefusals[] = {
    {"MissingFtdiDriver", [](const fs::path& s) { fs::remove(s / "Driver/FTDIDriver.zip"); },
     "missing fixed file Driver\\FTDIDriver.zip"},
    {"FixedFileOf15Bytes", [](const fs::path& s) { WriteFile(s / "User/Event.lst", 15); },
     "fixed file User\\Event.lst is 15 bytes; at least 16"},
    {"SongOf255Bytes", [](const fs::path& s) { WriteFile(s / "SongMR/01/012.esz", 255); }, "song 12 is 255 bytes"},
    {"FontOf255Bytes", [](const fs::path& s) { WriteFile(s / "Fonts/Small.ttf", 255); },
     "font \"Small.ttf\" is 255 bytes"},
    {"MisplacedSong", [](const fs::path& s) { WriteFile(s / "SongMR/01/005.esz", 300); },
     "song 005 belongs in SongMR/00"},
    {"SongNameNotThreeDigits", [](const fs::path& s) { WriteFile(s / "SongMR/99/1000.esz", 300); }, "songs are NNN.esz"},
    {"FontName36Units", [](const fs::path& s) { WriteFile(s / "Fonts" / (std::string(32, 'x') + ".ttf"), 300); },
     "is 36 UTF-16 units; at most 35"},
    {"FontNameIsADevice", [](const fs::path& s) { WriteFile(s / "Fonts/nul.ttf", 300); },
     "\"nul.ttf\" is not a safe bare file name"},
    {"FontNameTrailingDot", [](const fs::path& s) { WriteFile(s / "Fonts/font.", 300); }, "not a safe bare file name"},
    {"FontNameLikeAShortName",  // Wine's alias of ABCDEFGHIJ.ttf: one file on an 8.3 volume
     [](const fs::path& s) { WriteFile(s / "Fonts/ABCDEFGHIJ.ttf", 300); WriteFile(s / "Fonts/ABCD~ETE.TTF", 300, 2); },
     "\"ABCD~ETE.TTF\" has the shape of a short 8.3 name"},
    // One file on Windows, which ignores case (in every script), or the
    // Info folder's name: both fonts named, or the one.
    {"FontNamesDifferOnlyInCase",
     [](const fs::path& s) {
       WriteFile(s / "Fonts/KVGothic.ttf", 300);
       WriteFile(s / "Fonts/KVGOTHIC.TTF", 300);
     },
     "fonts \"KVGOTHIC.TTF\" and \"KVGothic.ttf\" are one name on Windows"},
    {"CyrillicNamesDifferOnlyInCase",
     [](const fs::path& s) {
       WriteFile(s / "Fonts/шрифт.ttf", 300);
       WriteFile(s / "Fonts/ШРИФТ.ttf", 300);
     },
     "are one name on Windows, which ignores case"},
    {"FontNamedLikeTheInfoFolder", [](const fs::path& s) { WriteFile(s / "Fonts/info", 300); },
     "font name \"info\" is the name of the folder Fonts\\Info"},
    {"TooManyFonts",
     [](const fs::path& s) {
       for (int i = 0; i < 124; ++i) WriteFile(s / "Fonts" / ("Extra" + std::to_string(i) + ".ttf"), 256, i);
     },
     "129 fonts; at most 128"},
    {"InfoWithoutFont", [](const fs::path& s) { WriteFile(s / "Fonts/Info/Lost.ttf.ftb", 300); },
     "has no font Lost.ttf in Fonts"},
    {"TooManyMrFiles",
     [](const fs::path& s) {
       for (int n = 8; n <= 2001; ++n) {
         char rel[32];
         std::snprintf(rel, sizeof rel, "MR/%03d/%05d.emr", (n - 1) / 100, n);
         WriteFile(s / rel, 1, n);
       }
     },
     "2001 MR files; at most 2000"},
    {"MrInTheWrongFolder", [](const fs::path& s) { WriteFile(s / "MR/001/00100.emr", 10); },
     "MR file 00100 belongs in MR/000"},
    {"MrNumberZero", [](const fs::path& s) { WriteFile(s / "MR/000/00000.emr", 10); }, "MR numbers start at 1"},
    {"MrNameWithExtraZero", [](const fs::path& s) { WriteFile(s / "MR/900/090001.emr", 10); },
     "(MR files are NNNNN.emr)"},
    {"MrFolderWithExtraZero", [](const fs::path& s) { WriteFile(s / "MR/0999/100000.emr", 10); },
     "(MR folders are MR/NNN)"},
    {"SongOverTheEntryLimit", [](const fs::path& s) { WriteFile(s / "SongMR/00/001.esz", 0), fs::resize_file(s / "SongMR/00/001.esz", pkg::kMaxDataLength + 1); },
     "song 1 is 134217728 bytes, above the entry limit"},
    {"IndexOverItsLimit",  // 32 sparse songs of the largest size
     [](const fs::path& s) {
       for (int k = 100; k < 132; ++k) {
         char rel[32];
         std::snprintf(rel, sizeof rel, "SongMR/%02d/%03d.esz", k / 10, k);
         WriteFile(s / rel, 0);
         fs::resize_file(s / rel, pkg::kMaxDataLength);
       }
     },
     "KVSetup.dat would be"},
};

INSTANTIATE_TEST_SUITE_P(Kvpack, KvpackRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// Descriptions that no staging tree can express.
TEST(KvpackInput, RefusesWhatTheFormatCannotHold) {
  struct Case {
    const char* name;
    std::function<void(kvpack::PackageInput&, kvpack::WriteOptions&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"SongNumber1000", [](kvpack::PackageInput& in, kvpack::WriteOptions&) { in.songs[1000] = fixture::Data(300, 1); },
       "song number 1000 is out of range"},
      {"SeventeenParts",
       [](kvpack::PackageInput& in, kvpack::WriteOptions& o) {
         in.mrFiles.clear();
         for (uint32_t n = 1; n <= 17; ++n) in.mrFiles.push_back({n, fixture::Data(300, n)});
         o.partLimit = 500;
       },
       "the MR files need 17 data parts under the part limit; at most 16"},
      {"MrOf4GiB",  // what no part can hold
       [](kvpack::PackageInput& in, kvpack::WriteOptions& o) {
         in.mrFiles[0].content = kvpack::Content::FromFile("unread", uint64_t(1) << 32, 0);
         o.partLimit = 0xFFFFFFFFu;
       },
       "MR file 1 is 4294967296 bytes, larger than the part limit of 4294967295"},
      {"MrOverThePartLimit", [](kvpack::PackageInput&, kvpack::WriteOptions& o) { o.partLimit = 350; },
       "MR file 2 is 420 bytes, larger than the part limit"},
      {"MrNumberZero", [](kvpack::PackageInput& in, kvpack::WriteOptions&) { in.mrFiles[0].number = 0; },
       "MR number 0 is out of range 1 .. 4294967295"},
      {"PartLimitZero", [](kvpack::PackageInput&, kvpack::WriteOptions& o) { o.partLimit = 0; }, "part limit"},
  };
  for (const Case& c : cases) {
    kvpack::PackageInput in = fixture::SmallInput();
    kvpack::WriteOptions options;
    EXPECT_EQ(Joined(kvpack::CheckInput(in, options)), "") << c.name;
    c.change(in, options);
    EXPECT_NE(Joined(kvpack::CheckInput(in, options)).find(c.message), std::string::npos)
        << c.name << "\n" << Joined(kvpack::CheckInput(in, options));
  }
}

// The demo's own package: `kvpack sample`, `build`, `verify` with no warning.
TEST(KvpackSample, BuildsAndVerifiesWithoutAWarning) {
  fixture::Scratch scratch;
  const std::string staging = (scratch / "staging").string(), out = (scratch / "out").string();
  ASSERT_EQ(RunVerb(RunSampleCommand, {"sample", staging}), 0);
  ASSERT_EQ(RunVerb(RunBuildCommand, {"build", staging, out}), 0);
  testing::internal::CaptureStdout();
  const int status = RunVerb(RunVerifyCommand, {"verify", out});
  std::fflush(stdout);
  const std::string text = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text.find("warning"), std::string::npos) << text;
  EXPECT_NE(text.find("30 MR records: sound\n"), std::string::npos) << text;
}

// A font name's control characters reach the terminal escaped, as in the
// JSON document: "\x1b[8m" would hide the lines after it.
TEST(KvpackText, ControlCharactersAreEscapedOnTheTerminal) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"Fonts\\샘플 🎵.ttf", "Fonts\\샘플 🎵.ttf"},
      {"a\x1b[8m\a\tb", "a\\u001b[8m\\u0007\\u0009b"},
      {"\x7f \xc2\x9b \xc2\xa0", "\\u007f \\u009b \xc2\xa0"},  // DEL, C1 CSI; NBSP is text
      {"\x9b \xe2\x82 \xed\xa0\x80 \xc0\xaf", "\\x9b \\xe2\\x82 \\xed\\xa0\\x80 \\xc0\\xaf"},  // not UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(kvpack::ShownText(c.text), c.shown) << c.shown;

  fixture::Scratch scratch;
  kvpack::PackageInput input = fixture::SmallInput();
  ASSERT_TRUE(fixture::Write(input, scratch.path()));
  SetFontName(scratch.path(), 0, u"a\x1b[8m\a\x9b\x7f.ttf");
  for (auto verb : {RunVerifyCommand, RunListCommand}) {
    testing::internal::CaptureStdout();
    RunVerb(verb, {"verb", scratch.path().string()});
    std::fflush(stdout);
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_NE(text.find("a\\u001b[8m\\u0007\\u009b\\u007f.ttf"), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("\x1b\a"), std::string::npos) << text;
  }
  // verify --json and list --json print this document: C1 and DEL escaped too.
  const std::string json = kvpack::ReportJson(kvpack::VerifyPackage(scratch.path()));
  EXPECT_NE(json.find("a\\u001b[8m\\u0007\\u009b\\u007f.ttf"), std::string::npos) << json;
}

// Times are shown by calendar arithmetic, not the C library: leap days,
// century rules and years the Windows library refuses must come out alike.
TEST(KvpackText, FileTimesAsUtcText) {
  constexpr uint64_t kEpoch = os::kUnixEpochAsFileTime, kSecond = 10000000;
  const struct {
    uint64_t fileTime;
    const char* text;
  } cases[] = {
      {0, "before 1970"},
      {kEpoch - 1, "before 1970"},
      {kEpoch, "1970-01-01 00:00:00"},
      {kEpoch + 951782399 * kSecond, "2000-02-28 23:59:59"},
      {kEpoch + 951782400 * kSecond, "2000-02-29 00:00:00"},
      {kEpoch + 4107542400 * kSecond, "2100-03-01 00:00:00"},  // 2100 has no Feb 29
      {kEpoch + 1797120000ull * kSecond + 12345 * kSecond, "2026-12-13 03:25:45"},
      {kEpoch + 32503680000ull * kSecond, "3000-01-01 00:00:00"},
      {UINT64_MAX, "60056-05-28 05:36:10"},
  };
  for (const auto& c : cases) EXPECT_EQ(kvpack::FormatFileTime(c.fileTime), c.text) << c.fileTime;
}

}  // namespace
