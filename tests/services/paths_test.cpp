// The setup folder from module file names and the shell folders of the bed.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/install_state.h"
#include "engine/paths.h"
#include "tests/services/win_test_files.h"

namespace {

class StartupFolders : public ::testing::Test {
 protected:
  void SetUp() override { ResetInstallState(); }
};

struct SetupDirCase {
  const wchar_t* module;
  const wchar_t* expected;
  bool ok;
};

TEST_F(StartupFolders, SetupDirFromModulePaths) {
  // "C:" + a folder of 255 units + "x" fits; one more unit in the folder does not.
  const std::wstring longest = L"C:\\" + std::wstring(253, L'f') + L"\\x";
  const std::wstring longestDir = longest.substr(0, longest.size() - 2);
  const std::wstring tooLong = L"C:\\" + std::wstring(254, L'f') + L"\\x";
  // Longer than 259 units, yet every part fits the splitter and setupDir: the
  // program's 519-unit name buffer holds it, so it must not be refused.
  const std::wstring deep = L"C:\\" + std::wstring(200, L'd') + L"\\" + std::wstring(250, L'n') + L".exe";
  const std::wstring deepDir = L"C:\\" + std::wstring(200, L'd');
  const std::wstring nameTooLong = L"C:\\Setup\\" + std::wstring(256, L'n') + L".exe";
  const std::wstring depth425 = L"C:\\" + std::wstring(412, L'd') + L"\\KVSetup.exe";
  const SetupDirCase cases[] = {
      {L"E:\\KVSetup.exe", L"E:", true},
      {L"D:\\Setup\\x.exe", L"D:\\Setup", true},
      {L"C:\\Kv Install\\sub\\KVSetup.exe", L"C:\\Kv Install\\sub", true},
      {L"\\\\server\\share\\Setup\\KVSetup.exe", L"\\\\server\\share\\Setup", true},
      {longest.c_str(), longestDir.c_str(), true},
      {tooLong.c_str(), L"", false},
      {deep.c_str(), deepDir.c_str(), true},
      {nameTooLong.c_str(), L"", false},
      {depth425.c_str(), L"", false},
      // Folders that are not the program's own full folder: never the root of
      // the current drive nor a path relative to the current folder.
      {L"KVSetup.exe", L"", false},
      {L"C:KVSetup.exe", L"", false},
      {L"Setup\\KVSetup.exe", L"", false},
      {L"\\Setup\\KVSetup.exe", L"", false},
      {L"", L"", false},
  };
  for (const SetupDirCase& c : cases) {
    SCOPED_TRACE(std::wstring(c.module).substr(0, 40).c_str());
    wchar_t dir[kPathUnits];
    wmemset(dir, L'X', kPathUnits);
    EXPECT_EQ(c.ok, SetupDirFromModulePath(c.module, dir));
    EXPECT_STREQ(c.expected, dir);
  }
}

TEST_F(StartupFolders, SetupDirIsTheProgramsFolder) {
  wchar_t module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
  std::wstring expected = module;
  expected.resize(expected.rfind(L'\\'));
  InitSetupDir();
  EXPECT_EQ(expected, installState.setupDir);
}

TEST_F(StartupFolders, ShellFoldersAndDefaultInstallFolder) {
  InitShellFolders();
  EXPECT_STREQ(L"C:\\Tavenor", installState.installDir);
  const wchar_t* folders[] = {installState.desktopDir, installState.commonDesktopDir,
                              installState.commonProgramsDir};
  for (const wchar_t* folder : folders) {
    EXPECT_NE(L'\0', folder[0]);
    EXPECT_TRUE(kvtest::Exists(folder));
  }
  EXPECT_STRNE(installState.desktopDir, installState.commonDesktopDir);
}

TEST_F(StartupFolders, MissingStartMenuFolderIsCreated) {
  wchar_t programs[MAX_PATH] = {};
  ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs));
  kvtest::RemoveTree(programs);
  ASSERT_FALSE(kvtest::Exists(programs));

  wchar_t path[kPathUnits];
  EXPECT_EQ(0, GetShellFolder(CSIDL_COMMON_PROGRAMS, path));
  EXPECT_STREQ(programs, path);
  EXPECT_TRUE(kvtest::Exists(path));
}

TEST_F(StartupFolders, UnknownFolderLeavesThePathEmpty) {
  wchar_t path[kPathUnits];
  wmemset(path, L'X', kPathUnits);
  EXPECT_EQ(-1, GetShellFolder(0x7E, path));
  EXPECT_STREQ(L"", path);
}

}  // namespace
