// Removal of an installation: what goes and what stays, with and without the
// brand's record, on a real folder tree (natively and under Wine).
#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/install_state.h"
#include "engine/removal.h"

namespace fs = std::filesystem;

namespace {

// One row per path of a full installation and what removal leaves of it.
struct Expectation {
  const char* path;  // UTF-8, relative, '/' separated; a trailing '/' is a folder
  bool staysWithoutBrand;
  bool staysWithBrand;
};

const Expectation kTree[] = {
    {u8"Korvane.exe", false, false},
    {u8"KorvaneUp.exe", false, false},
    {u8"KVUpdater.exe", false, false},
    {u8"Korvane.snl", false, false},
    {u8"KVInst.exe", false, false},
    {u8"KVVersion.bin", false, false},
    {u8"KVUpdater.bin", false, false},
    {u8"notes.txt", true, true},  // not named by the program
    {u8"Doc/Korvane사용설명서.pdf", false, false},
    {u8"Doc/Korvane퀵가이드.pdf", false, false},
    {u8"Doc/", false, true},
    {u8"Driver/haspdinst.exe", false, true},
    {u8"Driver/키락재설치.exe", false, true},
    {u8"Driver/FTDIDriver.zip", false, true},
    {u8"Driver/", false, true},
    {u8"User/Effect.set", true, true},
    {u8"User/UserKey.set", true, true},
    {u8"User/VolInstMR.set", true, true},
    {u8"User/Volume.set", true, true},
    {u8"User/Bass.dsc", true, true},
    {u8"User/Drum.dsc", true, true},
    {u8"User/Gigaki.dsc", true, true},
    {u8"User/Event.lst", true, true},
    {u8"Log/", false, true},
    {u8"Playlist/list.kpl", true, true},  // files in Playlist are not deleted
    {u8"Fonts/Gulim.ttf", true, true},
    {u8"Fonts/Info/Gulim.ttf.ftb", true, true},
    {u8"SongMR/00/000.esz", false, false},
    {u8"SongMR/00/009.esz", false, false},
    {u8"SongMR/00/", false, false},
    {u8"SongMR/07/070.esz", false, false},
    {u8"SongMR/07/079.esz", false, false},
    {u8"SongMR/07/069.esz", true, true},  // not a number of folder 07
    {u8"SongMR/99/999.esz", false, false},
    {u8"SongMR/99/", false, false},
    {u8"MR/900/90001.emr", false, false},
    {u8"MR/900/90100.emr", false, false},
    {u8"MR/900/", false, false},
    {u8"MR/901/90101.emr", false, false},
    {u8"MR/999/100000.emr", false, false},
    {u8"MR/999/", false, false},
    {u8"MR/1000/100001.emr", true, true},  // above the range
    {u8"MR/899/89901.emr", true, true},    // below the range
};

class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallState();
    root_ = fs::temp_directory_path() /
            (L"kvremoval-" + std::to_wstring(reinterpret_cast<uintptr_t>(this)));
    fs::remove_all(root_);
    install_ = root_ / L"Tavenor";
    fs::create_directories(install_);
    const std::wstring text = install_.wstring();
    ASSERT_TRUE(FormatPath(installState.installDir, L"%ls", text.c_str()));
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  fs::path At(const std::string& relative) const {
    return install_ / fs::u8path(relative).make_preferred();
  }

  void MakeTree() {
    for (const Expectation& e : kTree) {
      const std::string p = e.path;
      if (p.back() == L'/') {
        fs::create_directories(At(p.substr(0, p.size() - 1)));
      } else {
        fs::create_directories(At(p).parent_path());
        std::ofstream(At(p)) << "x";
      }
    }
  }

  void ExpectTreeAfterRemoval(bool brand) {
    for (const Expectation& e : kTree) {
      std::string p = e.path;
      if (p.back() == L'/') p.pop_back();
      const bool stays = brand ? e.staysWithBrand : e.staysWithoutBrand;
      EXPECT_EQ(stays, fs::exists(At(p))) << e.path;
    }
  }

  fs::path root_, install_;
};

TEST_F(RemovalTest, RemovesWhatExtractionWroteAndKeepsTheRest) {
  MakeTree();
  EXPECT_EQ(1, RemoveInstalledFiles());
  ExpectTreeAfterRemoval(false);
  EXPECT_TRUE(fs::exists(install_));
  EXPECT_TRUE(fs::exists(At("MR")));  // still holds MR\1000 and MR\899
  EXPECT_TRUE(fs::exists(At("SongMR")));  // still holds SongMR\07\069.esz
}

TEST_F(RemovalTest, BrandRecordKeepsTheSharedFolders) {
  MakeTree();
  installState.brandRecordPresent = 1;
  EXPECT_EQ(1, RemoveInstalledFiles());
  ExpectTreeAfterRemoval(true);
}

TEST_F(RemovalTest, EmptyLibrariesAndFontFoldersGo) {
  for (const char* folder : {"Log", "Playlist", "Fonts/Info", "MR/950", "SongMR/42"})
    fs::create_directories(At(folder));
  EXPECT_EQ(1, RemoveInstalledFiles());
  for (const char* gone : {"Log", "Playlist", "Fonts", "MR", "SongMR"})
    EXPECT_FALSE(fs::exists(At(gone))) << gone;
}

TEST_F(RemovalTest, MissingInstallFolderDoesNothing) {
  const fs::path sibling = root_ / L"Korvane.exe";
  std::ofstream(sibling) << "x";
  fs::remove_all(install_);
  EXPECT_EQ(0, RemoveInstalledFiles());
  EXPECT_TRUE(fs::exists(sibling));
  EXPECT_FALSE(fs::exists(install_));
}

TEST_F(RemovalTest, EmptyInstallDirNamesNothing) {
  installState.installDir[0] = 0;
  EXPECT_EQ(0, RemoveInstalledFiles());
}

TEST_F(RemovalTest, PathsThatDoNotFitAreSkippedNotCut) {
  // An install folder so long that "<dir>\Korvane.exe" exceeds 259 units,
  // while "<dir>\Doc" still fits: the program file cannot be named and
  // stays; nothing is deleted under a cut name.
  fs::path longDir = install_;
  while (longDir.wstring().size() < 250) {
    const size_t room = 250 - longDir.wstring().size();
    longDir /= std::wstring(room > 61 ? 60 : (room > 1 ? room - 1 : 1), L'd');
  }
  const std::wstring dir = longDir.wstring();
  fs::create_directories(longDir);
  ASSERT_TRUE(FormatPath(installState.installDir, L"%ls", dir.c_str()));
  std::ofstream(longDir / L"Korvane.exe") << "x";
  std::ofstream(longDir / L"Korvane.ex") << "x";  // what a cut name would hit
  fs::create_directories(longDir / L"Doc");

  EXPECT_EQ(1, RemoveInstalledFiles());
  EXPECT_TRUE(fs::exists(longDir / L"Korvane.exe"));
  EXPECT_TRUE(fs::exists(longDir / L"Korvane.ex"));
  EXPECT_FALSE(fs::exists(longDir / L"Doc"));
}

}  // namespace
