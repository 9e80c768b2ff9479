// The portable driver installer runner on the native OS layer: the gate on
// driverStage, the stages it leaves, and the arguments the installer gets
// (a shell script stands in for haspdinst.exe).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "engine/driver_runner.h"
#include "engine/install_state.h"
#include "engine/os_layer.h"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class DriverRunnerGate : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallState();
    char pattern[] = "/tmp/kvgate.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root_ = pattern;
    install_ = root_ + "/Kv Install";
    ASSERT_EQ(0, mkdir(install_.c_str(), 0755));
    ASSERT_EQ(0, mkdir((install_ + "/Driver").c_str(), 0755));
    log_ = root_ + "/runs.log";
    // One line per run: the program as started, the argument count, the arguments.
    std::ofstream script(Installer());
    script << "#!/bin/sh\necho \"$0|$#|$*\" >> \"" << log_ << "\"\n";
    script.close();
    ASSERT_EQ(0, chmod(Installer().c_str(), 0755));
    ASSERT_TRUE(FormatPath(installState.installDir, L"%ls", Wide(install_).c_str()));
  }
  void TearDown() override {
    ASSERT_EQ(0, system(("rm -rf '" + root_ + "'").c_str()));
  }
  std::string Installer() const { return install_ + "/Driver/haspdinst.exe"; }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string root_, install_, log_;
};

TEST_F(DriverRunnerGate, OpenGateRunsTheInstallerWithI) {
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(1, RunDriverInstaller());
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  EXPECT_EQ(Installer() + "|1|-i\n", Log());
}

TEST_F(DriverRunnerGate, UninstallerRunsWithRAndLeavesTheStage) {
  installState.driverStage = kDriverStageStartFailed;
  EXPECT_EQ(1, RunDriverUninstaller());
  EXPECT_EQ(kDriverStageStartFailed, installState.driverStage.load());
  EXPECT_EQ(Installer() + "|1|-r\n", Log());
}

TEST_F(DriverRunnerGate, MissingInstallerGives17) {
  ASSERT_EQ(0, unlink(Installer().c_str()));
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(0, RunDriverInstaller());
  EXPECT_EQ(kDriverStageStartFailed, installState.driverStage.load());
  EXPECT_EQ(0, RunDriverUninstaller());
}

TEST_F(DriverRunnerGate, TooLongInstallFolderGives17WithoutRunning) {
  ASSERT_TRUE(FormatPath(installState.installDir, L"%ls/%ls", Wide(install_).c_str(),
                         std::wstring(240 - install_.size(), L'd').c_str()));
  installState.driverStage = kDriverStageMayRun;
  EXPECT_EQ(0, RunDriverInstaller());
  EXPECT_EQ(kDriverStageStartFailed, installState.driverStage.load());
  EXPECT_EQ("", Log());
}

// Stages other than exactly 2 keep the gate shut, 3 and above included.
TEST_F(DriverRunnerGate, ThreadWaitsForStageTwoThenClearsItsHandle) {
  installState.driverStage = kDriverStageInstallerWritten;
  std::thread runner([] { DriverInstallerThread(nullptr); });
  installState.driverThread = reinterpret_cast<void*>(&runner);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ("", Log());
  installState.driverStage = kDriverStageMayRun;
  runner.join();
  EXPECT_EQ(nullptr, installState.driverThread.load());
  EXPECT_EQ(kDriverStageDone, installState.driverStage.load());
  EXPECT_EQ(Installer() + "|1|-i\n", Log());
}

TEST_F(DriverRunnerGate, GateTimesOutTo16AfterItsPolls) {
  installState.driverStage = kDriverStageDone;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, RunDriverInstaller());
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(kDriverGatePolls));
  EXPECT_EQ(kDriverStageGateTimedOut, installState.driverStage.load());
  EXPECT_EQ("", Log());
}

}  // namespace
