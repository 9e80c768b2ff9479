// The driver installer runner against the haspdinst stand-in, from an install
// folder with a blank in its name, with a decoy at the name cut at the blank.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/driver_runner.h"
#include "engine/install_state.h"
#include "engine/os_layer.h"
#include "engine/registry_record.h"
#include "tests/services/win_test_files.h"

namespace {

const std::wstring kInstall = L"C:\\Kv Install\\Tavenor";
const std::wstring kInstaller = kInstall + L"\\Driver\\haspdinst.exe";
// What Windows would run first for the unquoted "C:\Kv Install\...".
const std::wstring kDecoy = L"C:\\Kv.exe";
const std::wstring kLog = L"C:\\haspdinst-runs.log";

struct InstallerRun {
  std::wstring module;
  std::vector<std::wstring> args;  // argv as the child parses its command line
  std::wstring title;
};

std::vector<InstallerRun> Runs() {
  std::vector<InstallerRun> runs;
  for (const std::wstring& line : kvtest::ReadUtf8Lines(kLog)) {
    const std::vector<std::wstring> fields = kvtest::SplitTabs(line);
    if (fields.size() != 3) {
      ADD_FAILURE() << "malformed log line";
      continue;
    }
    InstallerRun run{fields[0], {}, fields[2]};
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(fields[1].c_str(), &argc);
    for (int i = 0; argv && i < argc; ++i) run.args.push_back(argv[i]);
    LocalFree(argv);
    runs.push_back(run);
  }
  return runs;
}

bool PathsEqual(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_EQUAL;
}

class DriverRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallState();
    kvtest::RemoveTree(L"C:\\Kv Install");
    ASSERT_TRUE(kvtest::MakeFolders(kInstall + L"\\Driver"));
    const std::wstring standin = kvtest::HostPath(KV_STANDIN_EXE);
    ASSERT_TRUE(CopyFileW(standin.c_str(), kInstaller.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(standin.c_str(), kDecoy.c_str(), FALSE));
    DeleteFileW(kLog.c_str());
    SetEnvironmentVariableW(L"KV_STANDIN_LOG", kLog.c_str());
    SetEnvironmentVariableW(L"KV_STANDIN_DELAY_MS", nullptr);
    SetEnvironmentVariableW(L"KV_STANDIN_NOWRITE", nullptr);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Aladdin Knowledge Systems");
    ASSERT_TRUE(FormatPath(installState.installDir, L"%ls", kInstall.c_str()));
  }
  void TearDown() override {
    kvtest::RemoveTree(L"C:\\Kv Install");
    DeleteFileW(kDecoy.c_str());
    DeleteFileW(kLog.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Aladdin Knowledge Systems");
  }
  static void ExpectOneRun(const wchar_t* option) {
    const std::vector<InstallerRun> runs = Runs();
    ASSERT_EQ(1u, runs.size());
    EXPECT_TRUE(PathsEqual(kInstaller, runs[0].module));
    ASSERT_EQ(2u, runs[0].args.size());
    EXPECT_TRUE(PathsEqual(kInstaller, runs[0].args[0]));
    EXPECT_EQ(option, runs[0].args[1]);
    EXPECT_EQ(L"HASP Driver Install", runs[0].title);
  }
};

TEST_F(DriverRunner, InstallerRunsQuotedWithI) {
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(1, RunDriverInstaller());
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  ExpectOneRun(L"-i");
  // The stand-in wrote the driver installer's key, which the probe now finds.
  EXPECT_EQ(1, ProbeDriverInstalled());
}

TEST_F(DriverRunner, UninstallerRunsWithRAndLeavesTheStage) {
  installState.driverStage = kDriverStageMayRun;
  ASSERT_EQ(1, RunDriverInstaller());
  ASSERT_EQ(1, ProbeDriverInstalled());
  DeleteFileW(kLog.c_str());
  installState.driverStage = kDriverStageGateTimedOut;
  EXPECT_EQ(1, RunDriverUninstaller());
  EXPECT_EQ(kDriverStageGateTimedOut, installState.driverStage.load());
  ExpectOneRun(L"-r");
  EXPECT_EQ(0, ProbeDriverInstalled());
}

TEST_F(DriverRunner, RunnerWaitsForTheInstallerToEnd) {
  SetEnvironmentVariableW(L"KV_STANDIN_DELAY_MS", L"400");
  SetEnvironmentVariableW(L"KV_STANDIN_NOWRITE", L"1");
  installState.driverStage = kDriverStageMayRun;
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(1, RunDriverInstaller());
  EXPECT_GE(GetTickCount64() - start, 400u);
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  EXPECT_EQ(0, ProbeDriverInstalled());
}

// With the installer missing, a command line that did not quote the program
// would make Windows run the decoy instead.
TEST_F(DriverRunner, MissingInstallerGives17AndRunsNothingElse) {
  ASSERT_TRUE(DeleteFileW(kInstaller.c_str()));
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(0, RunDriverInstaller());
  EXPECT_EQ(kDriverStageStartFailed, installState.driverStage.load());
  EXPECT_TRUE(Runs().empty());
}

TEST_F(DriverRunner, MissingUninstallerGives0AndRunsNothingElse) {
  kvtest::RemoveTree(kInstall + L"\\Driver");
  installState.driverStage = kDriverStageDone;
  EXPECT_EQ(0, RunDriverUninstaller());
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  EXPECT_TRUE(Runs().empty());
}

TEST_F(DriverRunner, InstallFolderTooLongForTheProgramPathGives17) {
  const std::wstring deep = L"C:\\" + std::wstring(240, L'd');
  ASSERT_TRUE(FormatPath(installState.installDir, L"%ls", deep.c_str()));
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(0, RunDriverInstaller());
  EXPECT_EQ(kDriverStageStartFailed, installState.driverStage.load());
  EXPECT_EQ(0, RunDriverUninstaller());
  EXPECT_TRUE(Runs().empty());
}

// The thread body waits at the gate until extraction reports stage 2, runs
// the installer and clears driverThread.
TEST_F(DriverRunner, ThreadRunsOnceTheGateOpens) {
  installState.driverStage = kDriverStageInstallerWritten;
  installState.driverThread = os::StartThread(DriverInstallerThread);
  ASSERT_NE(nullptr, installState.driverThread.load());
  Sleep(100);
  EXPECT_TRUE(Runs().empty());
  EXPECT_NE(nullptr, installState.driverThread.load());
  installState.driverStage = kDriverStageMayRun;
  for (int i = 0; i < 1000 && installState.driverThread.load(); ++i) Sleep(10);
  EXPECT_EQ(nullptr, installState.driverThread.load());
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  ExpectOneRun(L"-i");
}

TEST_F(DriverRunner, GateTimesOutTo16WithoutRunning) {
  installState.driverStage = kDriverStageInstallerWritten;
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(0, RunDriverInstaller());
  EXPECT_GE(GetTickCount64() - start, static_cast<ULONGLONG>(kDriverGatePolls) * 9 / 10);
  EXPECT_EQ(kDriverStageGateTimedOut, installState.driverStage.load());
  EXPECT_TRUE(Runs().empty());
}

}  // namespace
