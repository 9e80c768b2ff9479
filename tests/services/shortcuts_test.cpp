// Shortcuts made and deleted in scratch shell folders, read back through the
// shell's own link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/install_state.h"
#include "engine/shortcuts.h"
#include "tests/services/win_test_files.h"

namespace {

const std::wstring kRoot = L"C:\\KvLinkTest";
const std::wstring kInstall = kRoot + L"\\Tavenor";
const std::wstring kUserDesktop = kRoot + L"\\UserDesktop";
const std::wstring kCommonDesktop = kRoot + L"\\CommonDesktop";
const std::wstring kPrograms = kRoot + L"\\Programs";
const std::wstring kStartMenu = kPrograms + L"\\Tavenor";

struct LinkFields {
  std::wstring target;
  std::wstring args;
  std::wstring description;
  std::wstring icon;
  int iconIndex = -1;
  int showCmd = -1;
};

// Loads a link file with CLSID_ShellLink; false when it cannot be loaded.
bool ReadLink(const std::wstring& file, LinkFields* out) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return false;
  IPersistFile* persist = nullptr;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)));
  if (ok) {
    ok = SUCCEEDED(persist->Load(file.c_str(), STGM_READ));
    persist->Release();
  }
  if (ok) {
    // The target through the item list: Wine's GetPath passes the stored
    // path through the ANSI code page, which loses the Korean names.
    wchar_t text[MAX_PATH] = {};
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
      SHGetPathFromIDListW(items, text);
      CoTaskMemFree(items);
    }
    out->target = text;
    text[0] = 0;
    link->GetArguments(text, MAX_PATH);
    out->args = text;
    text[0] = 0;
    link->GetDescription(text, MAX_PATH);
    out->description = text;
    text[0] = 0;
    link->GetIconLocation(text, MAX_PATH, &out->iconIndex);
    out->icon = text;
    link->GetShowCmd(&out->showCmd);
  }
  link->Release();
  return ok;
}

struct ExpectedLink {
  std::wstring file;
  std::wstring target;
  std::wstring args;
  std::wstring description;
};

const std::vector<ExpectedLink>& DesktopLinks() {
  static const std::vector<ExpectedLink> links = {
      {kCommonDesktop + L"\\Korvane.lnk", kInstall + L"\\Korvane.exe", L"", L"Velmora Korvane"},
      {kCommonDesktop + L"\\KorvaneUp.lnk", kInstall + L"\\KorvaneUp.exe", L"",
       L"Velmora KorvaneUp"},
  };
  return links;
}

const std::vector<ExpectedLink>& StartMenuLinks() {
  static const std::vector<ExpectedLink> links = {
      {kStartMenu + L"\\Korvane.lnk", kInstall + L"\\Korvane.exe", L"", L"Velmora Korvane"},
      {kStartMenu + L"\\KorvaneUp.lnk", kInstall + L"\\KorvaneUp.exe", L"", L"Velmora KorvaneUp"},
      {kStartMenu + L"\\Korvane사용설명서.lnk", kInstall + L"\\Doc\\Korvane사용설명서.pdf", L" ",
       L"Korvane사용설명서"},
      {kStartMenu + L"\\Korvane퀵가이드.lnk", kInstall + L"\\Doc\\Korvane퀵가이드.pdf", L" ",
       L"Korvane퀵가이드"},
  };
  return links;
}

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ResetInstallState();
    kvtest::RemoveTree(kRoot);
    for (const std::wstring& folder : {kInstall + L"\\Doc", kUserDesktop, kCommonDesktop, kPrograms})
      ASSERT_TRUE(kvtest::MakeFolders(folder));
    for (const wchar_t* file : {L"\\Korvane.exe", L"\\KorvaneUp.exe", L"\\Doc\\Korvane사용설명서.pdf",
                                L"\\Doc\\Korvane퀵가이드.pdf"})
      ASSERT_TRUE(kvtest::WriteBytes(kInstall + file, "x"));
    Use(installState.installDir, kInstall);
    Use(installState.desktopDir, kUserDesktop);
    Use(installState.commonDesktopDir, kCommonDesktop);
    Use(installState.commonProgramsDir, kPrograms);
  }
  void TearDown() override {
    kvtest::RemoveTree(kRoot);
    DeleteFileW(L"C:\\Korvane.lnk");
    CoUninitialize();
  }
  static void Use(wchar_t (&field)[kPathUnits], const std::wstring& path) {
    ASSERT_TRUE(FormatPath(field, L"%ls", path.c_str()));
  }
  static void ExpectLinks(const std::vector<ExpectedLink>& links) {
    for (const ExpectedLink& e : links) {
      SCOPED_TRACE(std::string(e.file.begin(), e.file.end()));
      LinkFields got;
      ASSERT_TRUE(ReadLink(e.file, &got));
      EXPECT_EQ(e.target, got.target);
      EXPECT_EQ(e.args, got.args);
      EXPECT_EQ(e.description, got.description);
      EXPECT_EQ(e.target, got.icon);
      EXPECT_EQ(0, got.iconIndex);
      EXPECT_EQ(SW_SHOWNORMAL, got.showCmd);
    }
  }
  static void ExpectNoFiles(const std::vector<ExpectedLink>& links) {
    for (const ExpectedLink& e : links)
      EXPECT_FALSE(kvtest::Exists(e.file)) << std::string(e.file.begin(), e.file.end());
  }
};

TEST_F(Shortcuts, BothBitsMakeTheSixLinks) {
  installState.featureFlags = kFeatureDesktopLinks | kFeatureStartMenuLinks;
  EXPECT_TRUE(SUCCEEDED(CreateShortcuts()));
  ExpectLinks(DesktopLinks());
  ExpectLinks(StartMenuLinks());
}

TEST_F(Shortcuts, StartMenuBitAloneReplacesTheUsersDesktopLinks) {
  for (const wchar_t* name : {L"\\Korvane.lnk", L"\\KorvaneUp.lnk", L"\\Other.lnk"})
    ASSERT_TRUE(kvtest::WriteBytes(kUserDesktop + name, "old"));
  installState.featureFlags = kFeatureStartMenuLinks;
  EXPECT_TRUE(SUCCEEDED(CreateShortcuts()));
  EXPECT_FALSE(kvtest::Exists(kUserDesktop + L"\\Korvane.lnk"));
  EXPECT_FALSE(kvtest::Exists(kUserDesktop + L"\\KorvaneUp.lnk"));
  EXPECT_TRUE(kvtest::Exists(kUserDesktop + L"\\Other.lnk"));
  ExpectNoFiles(DesktopLinks());
  ExpectLinks(StartMenuLinks());
}

TEST_F(Shortcuts, DesktopBitAloneMakesNoStartMenuFolder) {
  installState.featureFlags = kFeatureDesktopLinks;
  EXPECT_TRUE(SUCCEEDED(CreateShortcuts()));
  ExpectLinks(DesktopLinks());
  EXPECT_FALSE(kvtest::Exists(kStartMenu));
}

TEST_F(Shortcuts, AnExistingLinkFileIsReplaced) {
  ASSERT_TRUE(kvtest::MakeFolders(kStartMenu));
  for (const ExpectedLink& e : StartMenuLinks()) ASSERT_TRUE(kvtest::WriteBytes(e.file, "junk"));
  installState.featureFlags = kFeatureStartMenuLinks;
  EXPECT_TRUE(SUCCEEDED(CreateShortcuts()));
  ExpectLinks(StartMenuLinks());
}

// A shell folder whose lookup failed is empty; its links must not land in the
// root of the current drive.
TEST_F(Shortcuts, EmptyShellFolderMakesNoLinkInTheDriveRoot) {
  installState.commonDesktopDir[0] = 0;
  installState.featureFlags = kFeatureDesktopLinks;
  ASSERT_TRUE(SetCurrentDirectoryW(kRoot.c_str()));
  CreateShortcuts();
  EXPECT_FALSE(kvtest::Exists(L"C:\\Korvane.lnk"));
  EXPECT_FALSE(kvtest::Exists(L"C:\\KorvaneUp.lnk"));
}

TEST_F(Shortcuts, DeleteRemovesLinksAndTheEmptyFolder) {
  installState.featureFlags = kFeatureDesktopLinks | kFeatureStartMenuLinks;
  CreateShortcuts();
  ASSERT_TRUE(kvtest::WriteBytes(kUserDesktop + L"\\Korvane.lnk", "per-user"));
  EXPECT_EQ(0, DeleteShortcuts());
  ExpectNoFiles(DesktopLinks());
  ExpectNoFiles(StartMenuLinks());
  EXPECT_FALSE(kvtest::Exists(kUserDesktop + L"\\Korvane.lnk"));
  EXPECT_FALSE(kvtest::Exists(kStartMenu));
}

TEST_F(Shortcuts, DeleteKeepsAStartMenuFolderThatHoldsOtherFiles) {
  installState.featureFlags = kFeatureStartMenuLinks;
  CreateShortcuts();
  ASSERT_TRUE(kvtest::WriteBytes(kStartMenu + L"\\Readme.txt", "mine"));
  DeleteShortcuts();
  ExpectNoFiles(StartMenuLinks());
  EXPECT_TRUE(kvtest::Exists(kStartMenu + L"\\Readme.txt"));
}

TEST_F(Shortcuts, DeleteWithEmptyShellFoldersLeavesTheDriveRootAlone) {
  ASSERT_TRUE(kvtest::WriteBytes(L"C:\\Korvane.lnk", "not ours"));
  installState.desktopDir[0] = 0;
  installState.commonDesktopDir[0] = 0;
  ASSERT_TRUE(SetCurrentDirectoryW(kRoot.c_str()));
  DeleteShortcuts();
  EXPECT_TRUE(kvtest::Exists(L"C:\\Korvane.lnk"));
}

}  // namespace
