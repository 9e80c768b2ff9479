// The driver installer runner against the haspdinst stand-in, from an install
// folder with a blank in its name, with a decoy at the name cut at the blank;
// with a package binding in force, only the bound installer runs, from a held
// copy in a run folder of its own, even through a link that flips under it.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/driver_runner.h"
#include "engine/install_state.h"
#include "engine/os_layer.h"
#include "engine/package_binding.h"
#include "engine/registry_record.h"
#include "engine/sha256.h"
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
  std::wstring folder;  // its current folder
};

std::vector<InstallerRun> Runs() {
  std::vector<InstallerRun> runs;
  for (const std::wstring& line : kvtest::ReadUtf8Lines(kLog)) {
    const std::vector<std::wstring> fields = kvtest::SplitTabs(line);
    if (fields.size() != 4) {
      ADD_FAILURE() << "malformed log line";
      continue;
    }
    InstallerRun run{fields[0], {}, fields[2], fields[3]};
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
  // Bound: a copy, run in its own folder in the Windows Temp, gone after.
  static void ExpectOneRun(const wchar_t* option, bool bound = false) {
    const std::vector<InstallerRun> runs = Runs();
    ASSERT_EQ(1u, runs.size());
    const std::wstring program = bound ? runs[0].module : kInstaller;
    if (bound) {
      wchar_t windows[MAX_PATH] = {};
      GetSystemWindowsDirectoryW(windows, MAX_PATH);
      const std::wstring temp = std::wstring(windows) + L"\\Temp";
      EXPECT_TRUE(PathsEqual(temp, runs[0].folder.substr(0, runs[0].folder.rfind(L'\\'))));
      EXPECT_TRUE(PathsEqual(runs[0].folder + L"\\haspdinst.exe", program)) << program;
      EXPECT_FALSE(kvtest::Exists(runs[0].folder)) << "the run folder was left behind";
    }
    EXPECT_TRUE(PathsEqual(program, runs[0].module));
    ASSERT_EQ(2u, runs[0].args.size());
    EXPECT_TRUE(PathsEqual(program, runs[0].args[0]));
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

// ---- with a package binding in force ----

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stand-in with one letter of its DOS stub message changed: as runnable
// as the original and of its size, so only its digest tells them apart.
std::string ForgedStandin(const std::string& standin) {
  std::string forged = standin;
  const size_t at = forged.find("DOS mode");
  EXPECT_NE(std::string::npos, at);
  if (at != std::string::npos) forged[at] = 'd';
  return forged;
}

class BoundDriverRunner : public DriverRunner {
 protected:
  void SetUp() override {
    DriverRunner::SetUp();
    standin_ = FileBytes(kInstaller);
    ASSERT_FALSE(standin_.empty());
    block_.assign(bind::kBlockSize, 0);
    std::memcpy(block_.data(), bind::kMagic, sizeof bind::kMagic);
    block_[bind::kOffFormat] = bind::kFormatBound;
    Sha256Digest(standin_.data(), standin_.size(), block_.data() + bind::kOffDriverDigest);
    ASSERT_TRUE(UsePackageBinding(block_.data()));
  }
  void TearDown() override {
    ClearPackageBinding();
    DriverRunner::TearDown();
  }
  std::string standin_;
  std::vector<uint8_t> block_;
};

TEST_F(BoundDriverRunner, TheBoundInstallerRunsOnceWithIAndWithR) {
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(1, RunDriverInstaller());
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  ExpectOneRun(L"-i", true);
  DeleteFileW(kLog.c_str());
  EXPECT_EQ(1, RunDriverUninstaller());
  ExpectOneRun(L"-r", true);
}

TEST_F(BoundDriverRunner, AnInstallerThatDiffersNeverRuns) {
  ASSERT_TRUE(kvtest::WriteBytes(kInstaller, ForgedStandin(standin_)));
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(0, RunDriverInstaller());
  EXPECT_EQ(kDriverStageStartFailed, installState.driverStage.load());
  EXPECT_EQ(0, RunDriverUninstaller());
  EXPECT_TRUE(Runs().empty());
  EXPECT_EQ(0, ProbeDriverInstalled());
}

// While the installer runs, the runner still holds its copy: it can be
// neither written, deleted nor renamed.
TEST_F(BoundDriverRunner, TheCopyIsHeldWhileItsChildRuns) {
  SetEnvironmentVariableW(L"KV_STANDIN_DELAY_MS", L"800");
  SetEnvironmentVariableW(L"KV_STANDIN_NOWRITE", L"1");
  installState.driverStage = kDriverStageMayRun;
  std::thread runner([] { RunDriverInstaller(); });
  for (int i = 0; i < 500 && Runs().empty(); ++i) Sleep(10);
  ASSERT_EQ(1u, Runs().size());
  const std::wstring copy = Runs()[0].module;
  HANDLE writer = CreateFileW(copy.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_FALSE(DeleteFileW(copy.c_str()));
  EXPECT_FALSE(MoveFileW(copy.c_str(), (copy + L".moved").c_str()));
  runner.join();
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
}

// A held file that is not the one the path now names (its folder was renamed
// and another file put in its place) never runs.
TEST_F(BoundDriverRunner, AChildWhoseImageIsNotTheHeldFileIsEndedBeforeItRuns) {
  const std::wstring other = kInstall + L"\\other.exe";
  ASSERT_TRUE(CopyFileW(kInstaller.c_str(), other.c_str(), FALSE));
  const os::File held = os::OpenForRead(other.c_str());
  ASSERT_NE(os::kNoFile, held);
  const std::wstring line = L"\"" + kInstaller + L"\" -i";
  EXPECT_FALSE(os::RunHeldProcessAndWait(held, kInstaller.c_str(), line.c_str(), L"t", nullptr));
  os::Close(held);
  EXPECT_TRUE(Runs().empty());
  EXPECT_EQ(0, ProbeDriverInstalled());
}

// The install folder is a link that tests/services/driver_race_test keeps
// flipping from outside Wine between a copy of the installation and one whose
// installer is a decoy of the same size; the decoy's stand-in logs to the file
// KV_STANDIN_LOX names. Wherever the flips fall, the decoy never runs.
TEST_F(BoundDriverRunner, DISABLED_ADecoyBehindAFlippingLinkNeverRuns) {
  wchar_t race[MAX_PATH] = {};
  ASSERT_NE(0u, GetEnvironmentVariableW(L"KV_RACE_DIR", race, MAX_PATH - 20));
  std::string decoy = standin_;
  const size_t at = decoy.find(std::string(reinterpret_cast<const char*>(L"KV_STANDIN_LOG"), 28));
  ASSERT_NE(std::string::npos, at);
  decoy[at + 26] = 'X';
  const std::wstring root(race), decoyLog = L"C:\\decoy-runs.log";
  ASSERT_TRUE(kvtest::WriteBytes(root + L"\\real\\Driver\\haspdinst.exe", standin_));
  ASSERT_TRUE(kvtest::WriteBytes(root + L"\\decoy\\Driver\\haspdinst.exe", decoy));
  SetEnvironmentVariableW(L"KV_STANDIN_LOX", decoyLog.c_str());
  SetEnvironmentVariableW(L"KV_STANDIN_NOWRITE", L"1");
  ASSERT_TRUE(FormatPath(installState.installDir, L"%ls\\Tavenor", race));
  size_t ran = 0;
  for (int removal = 0; removal < 20; ++removal) ran += size_t(RunDriverUninstaller());
  EXPECT_FALSE(kvtest::Exists(decoyLog)) << "the decoy ran";
  EXPECT_EQ(ran, Runs().size());
  EXPECT_TRUE(ran > 0 && ran < 20) << ran << " ran: both sides of the link not met";
}

}  // namespace
