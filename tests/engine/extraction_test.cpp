// Extraction of whole packages made by kvpack's writer: the fixed order, the
// FTDI slot, absent songs and fonts, length bounds, MR folders and parts, the
// driver hand-over, progress and caption. Natively and under Wine.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "engine/extraction.h"
#include "engine/install_state.h"
#include "engine/package_format.h"
#include "engine/package_reader.h"
#include "tests/engine/extraction_support.h"

namespace {

using extraction_support::ExtractionTest;
using extraction_support::kFixedFiles;
using extraction_support::MrPath;
using extraction_support::SongPath;
namespace fs = std::filesystem;


TEST_F(ExtractionTest, WritesEveryFileInPlaceWithItsTime) {
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(0, ExtractPackage());
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) ExpectFile(kFixedFiles[i], *input.fixed[i]);
  for (const auto& [number, content] : input.songs) ExpectFile(SongPath(number), content);
  ExpectFile(u8"Fonts/Alpha.ttf", *input.fonts[0].file);
  ExpectFile(u8"Fonts/Info/Alpha.ttf.ftb", *input.fonts[0].info);
  ExpectFile(u8"Fonts/베타.ttf", *input.fonts[1].file);
  EXPECT_FALSE(Exists(u8"Fonts/Info/베타.ttf.ftb"));
  EXPECT_FALSE(Exists(u8"Fonts/Gamma.ttf"));
  for (const kvpack::MrInput& mr : input.mrFiles) ExpectFile(MrPath(mr.number), mr.content);
  EXPECT_TRUE(fs::is_directory(At("Log")));
  EXPECT_TRUE(fs::is_directory(At("Playlist")));
  EXPECT_EQ(os::kNoFile, packageReader.packageFile);
}

TEST_F(ExtractionTest, ProgressEndsAtPackageBytesAndCaptionAtTheLastFile) {
  ASSERT_EQ(0, WriteAndOpen());
  ASSERT_EQ(0, ExtractPackage());
  // Unused font slots repeat the aligned end of the index file, so no pad
  // count is left in the low bits.
  EXPECT_EQ(installState.packageBytes, installState.progressPos.load());
  EXPECT_EQ(EnginePath(MrPath(input.mrFiles.back().number)), Caption());
}

TEST_F(ExtractionTest, FtdiSlotIsSkippedUnreadWithoutTheFeature) {
  // The FTDI entry is damaged: only a reader that takes it can notice.
  ASSERT_TRUE(fixture::Write(input, pkgDir));
  DamageEntryData(pkg::kOffFixedEntryEnds + 4 * pkg::kFixFtdiDriver);

  ASSERT_EQ(0, Open(kFeatureDesktopLinks | kFeatureStartMenuLinks));
  EXPECT_EQ(0, ExtractPackage());
  EXPECT_FALSE(Exists(kFixedFiles[pkg::kFixFtdiDriver]));
  ExpectFile(u8"Korvane.exe", *input.fixed[pkg::kFixKorvaneExe]);

  fs::remove_all(installDir);
  ASSERT_EQ(0, Open(7));
  EXPECT_EQ(kEntryBadCrc, ExtractPackage());
  EXPECT_TRUE(Exists(kFixedFiles[pkg::kFixKeyReinstaller]));
  EXPECT_FALSE(Exists(u8"Korvane.exe"));
}

// driverStage after extraction stopped at a damaged entry: 1 once the
// driver installer is on disk, 2 once the fixed entries and Log/Playlist are.
TEST_F(ExtractionTest, DriverStageFollowsTheFixedEntries) {
  struct Case {
    const char* what;
    uint32_t damagedSlot;  // 0: none
    uint32_t stage;
    int code;
  };
  const Case cases[] = {
      {"driver installer damaged", pkg::kOffFixedEntryEnds, kDriverStageNone, kEntryBadCrc},
      {"second entry damaged", pkg::kOffFixedEntryEnds + 4, kDriverStageInstallerWritten,
       kEntryBadCrc},
      {"last fixed entry damaged", pkg::kOffFixedEntryEnds + 4 * 18, kDriverStageInstallerWritten,
       kEntryBadCrc},
      {"first song damaged", pkg::kOffSongEntryEnds, kDriverStageMayRun, kEntryBadCrc},
      {"sound package", 0, kDriverStageMayRun, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(installDir);
    ASSERT_TRUE(fixture::Write(input, pkgDir));
    if (c.damagedSlot) DamageEntryData(c.damagedSlot);
    ASSERT_EQ(0, Open());
    installState.driverStage.store(kDriverStageMayRun);  // extraction starts it at 0
    EXPECT_EQ(c.code, ExtractPackage());
    EXPECT_EQ(c.stage, installState.driverStage.load());
    EXPECT_EQ(c.stage == kDriverStageMayRun, fs::is_directory(At("Playlist")));
  }
}

// A final stage is the runner's answer (the install page sets 17 itself when
// the runner's thread cannot start, maybe after this worker began); extraction
// must not turn it back into one the worker would wait on for all its polls.
TEST_F(ExtractionTest, FinalDriverStagesOutliveTheExtraction) {
  for (uint32_t stage : {kDriverStageDone, kDriverStageGateTimedOut, kDriverStageStartFailed}) {
    SCOPED_TRACE(stage);
    fs::remove_all(installDir);
    ASSERT_EQ(0, WriteAndOpen());
    installState.driverStage.store(stage);
    EXPECT_EQ(0, ExtractPackage());
    EXPECT_EQ(stage, installState.driverStage.load());
  }
}

TEST_F(ExtractionTest, AbsentSongsTakeNoDataAndNoFolder) {
  input.songs.erase(17);  // songs 10-19 all absent; 5 is absent too
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(0, ExtractPackage());
  EXPECT_FALSE(Exists(SongPath(5)));
  ExpectFile(SongPath(6), input.songs.at(6));
  EXPECT_FALSE(Exists("SongMR/01"));
  ExpectFile(SongPath(999), input.songs.at(999));
}

TEST_F(ExtractionTest, AnAbsentFontTakesOneSlotAndNoInfoSlot) {
  // Absent first, then a font without info, then one with info.
  input.fonts = {input.fonts[2], input.fonts[1], input.fonts[0]};
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(0, ExtractPackage());
  EXPECT_FALSE(Exists(u8"Fonts/Gamma.ttf"));
  ExpectFile(u8"Fonts/베타.ttf", *input.fonts[1].file);
  EXPECT_FALSE(Exists(u8"Fonts/Info/베타.ttf.ftb"));
  ExpectFile(u8"Fonts/Alpha.ttf", *input.fonts[2].file);
  ExpectFile(u8"Fonts/Info/Alpha.ttf.ftb", *input.fonts[2].info);
}

TEST_F(ExtractionTest, DataLengthBoundsDifferForFixedAndLibraryEntries) {
  struct Case {
    const char* what;
    void (*shape)(kvpack::PackageInput&);
    int code;
  };
  const Case cases[] = {
      {"fixed 15", [](kvpack::PackageInput& in) { in.fixed[6] = fixture::Data(15, 1); },
       kEntryBadLength},
      {"fixed 16", [](kvpack::PackageInput& in) { in.fixed[6] = fixture::Data(16, 1); }, 0},
      {"fixed 255", [](kvpack::PackageInput& in) { in.fixed[6] = fixture::Data(255, 1); }, 0},
      {"song 255", [](kvpack::PackageInput& in) { in.songs[4] = fixture::Data(255, 1); },
       kEntryBadLength},
      {"song 256", [](kvpack::PackageInput& in) { in.songs[4] = fixture::Data(256, 1); }, 0},
      {"font 255", [](kvpack::PackageInput& in) { in.fonts[1].file = fixture::Data(255, 1); },
       kEntryBadLength},
      {"font info 255", [](kvpack::PackageInput& in) { in.fonts[0].info = fixture::Data(255, 1); },
       kEntryBadLength},
      {"font 256", [](kvpack::PackageInput& in) { in.fonts[1].file = fixture::Data(256, 1); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(installDir);
    input = fixture::SmallInput();
    c.shape(input);
    ASSERT_EQ(0, WriteAndOpen());
    EXPECT_EQ(c.code, ExtractPackage());
  }
}

TEST_F(ExtractionTest, MrFilesGoToHundredFolders) {
  struct Case {
    uint32_t number;
    const char* path;
  };
  const Case cases[] = {
      {1, "MR/000/00001.emr"},     {100, "MR/000/00100.emr"},   {101, "MR/001/00101.emr"},
      {90001, "MR/900/90001.emr"}, {90100, "MR/900/90100.emr"}, {90101, "MR/901/90101.emr"},
  };
  input.mrFiles.clear();
  uint32_t seed = 500;
  for (const Case& c : cases) input.mrFiles.push_back({c.number, fixture::Data(40, seed++)});
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(0, ExtractPackage());
  for (size_t i = 0; i < std::size(cases); ++i) ExpectFile(cases[i].path, input.mrFiles[i].content);
}

TEST_F(ExtractionTest, MrFilesComeFromSeveralParts) {
  // A part limit of 1000 bytes spreads the five MR files over four parts.
  ASSERT_TRUE(fixture::Write(input, pkgDir, 1000));
  ASSERT_EQ(4u, fixture::ReadU32At(fixture::IndexFile(pkgDir), pkg::kOffPartCount));
  ASSERT_EQ(0, Open());
  EXPECT_EQ(0, ExtractPackage());
  for (const kvpack::MrInput& mr : input.mrFiles) ExpectFile(MrPath(mr.number), mr.content);
}

TEST_F(ExtractionTest, APartThatNoRecordNamesIsStillChecked) {
  ASSERT_TRUE(fixture::Write(input, pkgDir));
  const uint32_t parts = fixture::ReadU32At(fixture::IndexFile(pkgDir), pkg::kOffPartCount);
  AddUnnamedPart(parts + 1, 10);
  ASSERT_EQ(0, Open());
  EXPECT_EQ(0, ExtractPackage());
  for (const kvpack::MrInput& mr : input.mrFiles) ExpectFile(MrPath(mr.number), mr.content);

  // Its size is tested during extraction as well.
  fs::remove_all(installDir);
  ASSERT_EQ(0, Open());
  fixture::Resize(fixture::PartFile(pkgDir, parts + 1), 11);
  EXPECT_EQ(kPartSizeMismatch, ExtractPackage());
  for (const kvpack::MrInput& mr : input.mrFiles) ExpectFile(MrPath(mr.number), mr.content);
}

TEST_F(ExtractionTest, FtdiOnlyExtractionWritesOneFileAndClosesThePackage) {
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(0, ExtractFtdiDriver());
  ExpectFile(kFixedFiles[pkg::kFixFtdiDriver], *input.fixed[pkg::kFixFtdiDriver]);
  EXPECT_EQ(2, std::distance(fs::recursive_directory_iterator(installDir),
                             fs::recursive_directory_iterator()));  // Driver and the file
  EXPECT_EQ(os::kNoFile, packageReader.packageFile);
}

TEST_F(ExtractionTest, FtdiOnlyExtractionLeavesThePackageOpenOnFailure) {
  ASSERT_TRUE(fixture::Write(input, pkgDir));
  DamageEntryData(pkg::kOffFixedEntryEnds + 4 * pkg::kFixFtdiDriver);
  ASSERT_EQ(0, Open());
  EXPECT_EQ(kEntryBadCrc, ExtractFtdiDriver());
  EXPECT_NE(os::kNoFile, packageReader.packageFile);
  EXPECT_FALSE(Exists(kFixedFiles[pkg::kFixFtdiDriver]));
}

TEST_F(ExtractionTest, CaptionNamesTheFileThatFailed) {
  ASSERT_TRUE(fixture::Write(input, pkgDir));
  DamageEntryData(pkg::kOffSongEntryEnds + 4 * 6);
  ASSERT_EQ(0, Open());
  EXPECT_EQ(kEntryBadCrc, ExtractPackage());
  EXPECT_EQ(EnginePath(SongPath(6)), Caption());
  ExpectFile(SongPath(4), input.songs.at(4));
  EXPECT_FALSE(Exists(SongPath(6)));
}

TEST_F(ExtractionTest, UnsafeFontNamesAreRefusedBeforeAnythingIsWritten) {
  const std::u16string names[] = {u"..", u"..\\..\\Korvane.exe", u"/x", u"C:x",
                                  u"\\\\srv\\s", u"x.ttf:ads", u"nul.ttf", u"COM1"};
  for (const std::u16string& name : names) {
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    fs::remove_all(installDir);
    input = fixture::SmallInput();
    input.fonts[1].name = name;
    ASSERT_EQ(0, WriteAndOpen());
    EXPECT_EQ(kFontNameRefused, ExtractPackage());
    EXPECT_TRUE(fs::is_empty(installDir));  // made by the package check only
  }
  // A name ends at its first NUL: stale bytes behind it, hostile or not, are
  // neither refused nor part of the file's name.
  for (const std::u16string& stale : {std::u16string(u"x.exe"), std::u16string(u"..\\..\\K.exe")}) {
    fs::remove_all(installDir);
    input = fixture::SmallInput();
    input.fonts[1].name += u'\0' + stale;
    ASSERT_EQ(0, WriteAndOpen());
    EXPECT_EQ(0, ExtractPackage());
    ExpectFile(u8"Fonts/베타.ttf", *input.fonts[1].file);
    EXPECT_FALSE(fs::exists(installDir.parent_path() / "K.exe"));
  }
  // An absent font's name is never used, so it is not checked.
  fs::remove_all(installDir);
  input = fixture::SmallInput();
  input.fonts[2].name = u"..\\..\\Korvane.exe";
  ASSERT_EQ(0, WriteAndOpen());
  EXPECT_EQ(0, ExtractPackage());
}

}  // namespace
