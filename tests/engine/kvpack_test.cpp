// kvpack: a built package passes the engine's checks, builds are byte-
// identical, damage to any entry is reported by verify, and the builder
// refuses what the format or the setup program cannot take.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/install_state.h"
#include "engine/package_reader.h"
#include "tests/engine/package_fixture.h"
#include "tools/kvpack/commands.h"
#include "tools/kvpack/package_check.h"
#include "tools/kvpack/sample.h"
#include "tools/kvpack/staging.h"

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
  EXPECT_EQ(report.entries, 19u + 6 + 5 + 4);  // every fourth font has no info file
  EXPECT_EQ(report.mrRecords, 7u);
  EXPECT_TRUE(fs::exists(out / "KVSetup.d02"));

  ASSERT_EQ(kvpack::OpenPackageFolder(out), kOpenOk);
  EXPECT_EQ(pkg::ReadU32(installState.versionBlock + 32), 5u);
  int checked = 0;
  kvpack::WalkEntries([&](const kvpack::EntryInfo& e) {
    if (e.kind != kvpack::EntryInfo::kFixed || e.code != 0) return;
    std::string rel = e.label;
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
    if (e.present) entries.push_back({e.label, e.start, e.view.length});
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

TEST_F(KvpackTest, VerifyReportsTableDamageThatOpenAccepts) {
  const fs::path out = scratch_ / "out";
  ASSERT_EQ(Build(out), 0);
  struct Case {
    const char* name;
    std::function<void()> damage;
    const char* problem;
  };
  const uint32_t firstRecord = pkg::kOffMrRecords;
  const uint32_t secondRecord = pkg::kOffMrRecords + pkg::kMrRecordSize;
  const Case cases[] = {
      {"MrOffsetGap", [&] { fixture::SetHeaderU32(out, secondRecord + pkg::kMrOffPartOffset,
                                                  fixture::ReadU32At(fixture::IndexFile(out), secondRecord + pkg::kMrOffPartOffset) + 4); },
       "the previous file ended at"},
      {"MrNumberZero", [&] { fixture::SetHeaderU32(out, firstRecord + pkg::kMrOffNumber, 0); }, "out of range"},
      {"FixedSlotEmpty", [&] { fixture::SetHeaderU32(out, pkg::kOffFixedEntryEnds + 4, pkg::kHeaderSize); },
       "Driver\\키락재설치.exe: entry empty"},  // its bytes are then read as part of the next entry
      {"FontNameUnsafe",  // ".." as the first name
       [&] {
         fixture::SetHeaderU32(out, pkg::kOffFontNames, 0x002E002E);
         fixture::SetHeaderU32(out, pkg::kOffFontNames + 4, 0);
       },
       "not a safe bare file name"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> saved = fixture::ReadAll(fixture::IndexFile(out));
    c.damage();
    kvpack::VerifyReport report = kvpack::VerifyPackage(out);
    EXPECT_EQ(report.openCode, kOpenOk) << c.name;
    EXPECT_NE(Joined(report.problems).find(c.problem), std::string::npos) << c.name << "\n" << Joined(report.problems);
    std::ofstream(fixture::IndexFile(out), std::ios::binary).write(reinterpret_cast<const char*>(saved.data()), saved.size());
  }
  EXPECT_EQ(RunVerb(RunVerifyCommand, {"verify", (scratch_ / "nothing").string()}), 1);
}

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
      {"MrOverTheBuffer",
       [](kvpack::PackageInput& in, kvpack::WriteOptions&) {
         in.mrFiles[0].content = kvpack::Content::FromFile("unread", uint64_t(pkg::kTransferBufferSize) + 1, 0);
       },
       "above the limit of 134217728"},
      {"MrOverThePartLimit", [](kvpack::PackageInput&, kvpack::WriteOptions& o) { o.partLimit = 350; },
       "MR file 2 is larger than the part limit"},
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

}  // namespace
