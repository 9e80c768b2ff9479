// The four operations against recording fakes: order of steps, the caption
// and progress position each step publishes, the bounded driver wait, cancel,
// the final page and completion text, and the thread bodies' bookkeeping.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install_state.h"
#include "recording_fakes.h"
#include "workers.h"
#ifdef KV_WORKERS_BAR_TEST
#include "skin_draw.h"
#endif

namespace {

constexpr uint64_t kStep = 0x1000000;
constexpr uint64_t kDriverStep = 0x10000000;
// A package above 4 GiB, so that every sum and product needs 64 bits.
constexpr uint64_t kPackageBytes = 0x140001234ull;
const std::wstring kSongPath = L"C:\\Tavenor\\SongMR\\00\\000.esz";

const std::wstring kExtract = L"ExtractPackage";
const std::wstring kFtdi = L"ExtractFtdiDriver";
const std::wstring kClose = L"ClosePackageFile";
const std::wstring kLinks = L"CreateShortcuts";
const std::wstring kRecord = L"WriteInstallRecord";
const std::wstring kDriver = L"RunDriverInstaller";
const std::wstring kUninstall = L"RunDriverUninstaller";
const std::wstring kDelLinks = L"DeleteShortcuts";
const std::wstring kDelRecord = L"DeleteInstallRecord";
const std::wstring kRemove = L"RemoveInstalledFiles";
const std::wstring kError = L"SwitchPage 16";
const std::wstring kDone = L"SwitchPage 17";

class Workers : public ::testing::Test {
 protected:
  void SetUp() override { ResetFakes(); }

  // What the install and repair pages set before starting the thread.
  void PrepareExtraction(uint32_t flags) {
    installState.featureFlags.store(flags);
    installState.packageBytes = kPackageBytes;
    installState.progressTotal.store(kPackageBytes + 0x12000000);
    fakes.extractEndPos = kPackageBytes;
  }

  static void ExpectTrace(const std::vector<FakeCall>& expected) {
    ASSERT_EQ(fakes.calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(fakes.calls[i].name, expected[i].name);
      EXPECT_EQ(fakes.calls[i].caption, expected[i].caption);
      EXPECT_EQ(fakes.calls[i].progressPos, expected[i].progressPos);
    }
  }
};

// ---- full runs: each step's caption and position ----

TEST_F(Workers, InstallPublishesEachStepBeforeItRuns) {
  PrepareExtraction(7);
  fakes.stageAfterExtract = 3;  // the driver installer finished meanwhile
  InstallSequence();
  const uint64_t e = kPackageBytes;
  ExpectTrace({{kExtract, L"", 0},
               {kClose, kSongPath, e},
               {kLinks, L"바로가기 복사중", e + kStep},
               {kRecord, L"레지스트리에 환경변수 복사중", e + 2 * kStep},
               {kDone, L"HASP Driver 설치중", e + 2 * kStep + kDriverStep}});
  EXPECT_EQ(fakes.completionAtSwitch, 79u);
  EXPECT_EQ(installState.progressPos.load(), installState.progressTotal.load());
  EXPECT_EQ(installState.runFlag.load(), 1u);
  EXPECT_EQ(fakes.sleeps, 0);
}

TEST_F(Workers, RepairRunsTheDriverInstallerOnItsOwnThread) {
  PrepareExtraction(7);
  RepairSequence();
  const uint64_t e = kPackageBytes;
  ExpectTrace({{kExtract, L"", 0},
               {kClose, kSongPath, e},
               {kLinks, L"바로가기 복사중", e + kStep},
               {kRecord, L"레지스트리에 환경변수 복사중", e + 2 * kStep},
               {kDriver, L"HASP Driver 설치중", e + 2 * kStep + kDriverStep},
               {kDone, L"HASP Driver 설치중", e + 2 * kStep + kDriverStep}});
  EXPECT_EQ(fakes.completionAtSwitch, 71u);
  EXPECT_EQ(installState.progressPos.load(), installState.progressTotal.load());
  EXPECT_EQ(fakes.sleeps, 0);
}

TEST_F(Workers, ModifyWithEveryFeatureAndTheMissingDriver) {
  installState.featureFlags.store(15);
  installState.driverStage.store(3);
  fakes.ftdiEndPos = 0x5000;  // the end offset of the FTDI entry in the index file
  ModifySequence();
  ExpectTrace({{kFtdi, L"FTDI Serial Driver 복사중", kStep},
               {kClose, L"FTDI Serial Driver 복사중", 0x5000},
               {kLinks, L"바로가기 복사중", 0x5000 + kStep},
               {kRecord, L"레지스트리에 환경변수 복사중", 0x5000 + 2 * kStep},
               {kDone, L"HASP Driver 설치중", 0x5000 + 2 * kStep + kDriverStep}});
  EXPECT_EQ(fakes.completionAtSwitch, 67u);
  EXPECT_EQ(installState.runFlag.load(), 1u);
}

TEST_F(Workers, RemoveRunsItsFourStepsAndFillsItsTotal) {
  installState.progressTotal.store(0x13000000);
  fakes.driverUninstallerRc = 0;  // a missing uninstaller changes nothing
  RemoveSequence();
  ExpectTrace({{kUninstall, L"HASP Driver 제거중", kDriverStep},
               {kDelLinks, L"바로가기 삭제중", kDriverStep + kStep},
               {kDelRecord, L"레지스트리에 환경변수 삭제중", kDriverStep + 2 * kStep},
               {kRemove, L"설치 파일  삭제중", kDriverStep + 3 * kStep},
               {kDone, L"설치 파일  삭제중", kDriverStep + 3 * kStep}});
  EXPECT_EQ(fakes.completionAtSwitch, 75u);
  EXPECT_EQ(installState.progressPos.load(), installState.progressTotal.load());
}

// ---- outcomes: which steps run, how long the driver wait lasts ----

struct Outcome {
  const char* name;
  void (*run)();
  uint32_t flags;
  int extractRc;
  uint32_t stageAfterExtract;  // also the stage a modify starts with
  int stageSleep;              // sleep that moves driverStage to stageAtSleep
  uint32_t stageAtSleep;
  int cancelSleep;             // sleep that clears runFlag
  std::vector<std::wstring> calls;
  int sleeps;
  int ftdiRc = 0;  // what the modify's FTDI copy returns
};

void RunModify() {
  installState.driverStage.store(fakes.stageAfterExtract);
  ModifySequence();
}

const Outcome kOutcomes[] = {
    {"InstallExtractionFails", InstallSequence, 7, -8, 2, 0, 0, 0, {kExtract, kClose, kError}, 0},
    {"InstallCancelledInExtraction", InstallSequence, 7, 1, 2, 0, 0, 0, {kExtract, kClose}, 0},
    {"InstallDriverGaveUpAtGate", InstallSequence, 7, 0, 16, 0, 0, 0,
     {kExtract, kClose, kLinks, kRecord, kDone}, 0},
    {"InstallDriverFailedToStart", InstallSequence, 7, 0, 17, 0, 0, 0,
     {kExtract, kClose, kLinks, kRecord, kDone}, 0},
    {"InstallDriverEndsDuringWait", InstallSequence, 7, 0, 2, 5, 3, 0,
     {kExtract, kClose, kLinks, kRecord, kDone}, 5},
    {"InstallDriverNeverEnds", InstallSequence, 7, 0, 2, 0, 0, 0,
     {kExtract, kClose, kLinks, kRecord, kDone}, 10000},
    {"InstallCancelledDuringWait", InstallSequence, 7, 0, 2, 0, 0, 7,
     {kExtract, kClose, kLinks, kRecord}, 7},
    {"InstallWithoutShortcuts", InstallSequence, 4, 0, 3, 0, 0, 0,
     {kExtract, kClose, kRecord, kDone}, 0},
    {"InstallDesktopShortcutsOnly", InstallSequence, 1, 0, 3, 0, 0, 0,
     {kExtract, kClose, kLinks, kRecord, kDone}, 0},
    {"InstallStartMenuShortcutsOnly", InstallSequence, 2, 0, 3, 0, 0, 0,
     {kExtract, kClose, kLinks, kRecord, kDone}, 0},
    {"RepairExtractionFails", RepairSequence, 7, -11, 2, 0, 0, 0, {kExtract, kClose, kError}, 0},
    {"RepairCancelledInExtraction", RepairSequence, 7, 1, 2, 0, 0, 0, {kExtract, kClose}, 0},
    {"RepairWithoutShortcuts", RepairSequence, 4, 0, 2, 0, 0, 0,
     {kExtract, kClose, kRecord, kDriver, kDone}, 0},
    {"ModifyNothingTicked", RunModify, 0, 0, 0, 0, 0, 0, {kRecord, kDone}, 0},
    {"ModifyFtdiOnly", RunModify, 4, 0, 0, 0, 0, 0, {kFtdi, kClose, kRecord, kDone}, 0},
    {"ModifyShortcutsOnly", RunModify, 3, 0, 0, 0, 0, 0, {kLinks, kRecord, kDone}, 0},
    {"ModifyDriverAlreadyDone", RunModify, 8, 0, 3, 0, 0, 0, {kRecord, kDone}, 0},
    {"ModifyDriverEndsDuringWait", RunModify, 8, 0, 2, 3, 3, 0, {kRecord, kDone}, 3},
    {"ModifyDriverNeverEnds", RunModify, 8, 0, 2, 0, 0, 0, {kRecord, kDone}, 10000},
    {"ModifyCancelledDuringWait", RunModify, 8, 0, 2, 0, 0, 4, {kRecord}, 4},
    {"ModifyWithoutDriverNeverWaits", RunModify, 7, 0, 2, 0, 0, 0,
     {kFtdi, kClose, kLinks, kRecord, kDone}, 0},
    // A failed FTDI copy ends there: no shortcuts, no record, no driver wait.
    {"ModifyFtdiEntryRefused", RunModify, 4, 0, 0, 0, 0, 0, {kFtdi, kClose, kError}, 0, -8},
    {"ModifyFtdiDiskFullWithEveryFeature", RunModify, 15, 0, 2, 0, 0, 0, {kFtdi, kClose, kError},
     0, -10},
};

class WorkerOutcomes : public Workers, public ::testing::WithParamInterface<Outcome> {};

TEST_P(WorkerOutcomes, RunsTheExpectedSteps) {
  const Outcome& o = GetParam();
  PrepareExtraction(o.flags);
  fakes.extractRc = o.extractRc;
  fakes.stageAfterExtract = o.stageAfterExtract;
  fakes.stageSleep = o.stageSleep;
  fakes.stageAtSleep = o.stageAtSleep;
  fakes.cancelSleep = o.cancelSleep;
  fakes.ftdiRc = o.ftdiRc;
  o.run();
  EXPECT_EQ(CallNames(), o.calls);
  EXPECT_EQ(fakes.sleeps, o.sleeps);
}

INSTANTIATE_TEST_SUITE_P(All, WorkerOutcomes, ::testing::ValuesIn(kOutcomes),
                         [](const ::testing::TestParamInfo<Outcome>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(Workers, RepairWithoutShortcutsEndsOneStepShortOfItsTotal) {
  PrepareExtraction(4);
  RepairSequence();
  EXPECT_EQ(installState.progressTotal.load() - installState.progressPos.load(), kStep);
}

TEST_F(Workers, InstallCancelWritesNoRecordAndLeavesThePageAlone) {
  PrepareExtraction(7);
  fakes.extractRc = 1;
  InstallSequence();
  EXPECT_EQ(installState.progressPos.load(), kPackageBytes);
  EXPECT_EQ(installState.completionTextIndex.load(), 0u);
}

// ---- thread bodies ----

struct Body {
  const char* name;
  unsigned (*body)(void*);
  uint32_t completion;
};

const Body kBodies[] = {
    {"Install", InstallWorkerThread, 79},
    {"Repair", RepairWorkerThread, 71},
    {"Modify", ModifyWorkerThread, 67},
    {"Remove", RemoveWorkerThread, 75},
};

class WorkerBodies : public Workers, public ::testing::WithParamInterface<Body> {};

TEST_P(WorkerBodies, SetPriorityRunAndClearTheirHandle) {
  PrepareExtraction(7);
  fakes.stageAfterExtract = 3;
  int handle = 0;
  installState.workerThread.store(&handle);
  installState.driverThread.store(&handle);
  EXPECT_EQ(GetParam().body(nullptr), 0u);
  ASSERT_FALSE(fakes.calls.empty());
  EXPECT_EQ(fakes.calls.front().name, L"SetThreadPriorityNormal");
  EXPECT_EQ(fakes.calls.back().name, kDone);
  EXPECT_EQ(installState.completionTextIndex.load(), GetParam().completion);
  EXPECT_EQ(installState.workerThread.load(), nullptr);
  EXPECT_EQ(installState.driverThread.load(), &handle);  // not theirs to clear
}

TEST_F(Workers, AStoppedInstallThreadStillClearsItsHandle) {
  PrepareExtraction(7);
  fakes.extractRc = -7;
  int handle = 0;
  installState.workerThread.store(&handle);
  InstallWorkerThread(nullptr);
  EXPECT_EQ(installState.workerThread.load(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(All, WorkerBodies, ::testing::ValuesIn(kBodies),
                         [](const ::testing::TestParamInfo<Body>& info) {
                           return std::string(info.param.name);
                         });

#ifdef KV_WORKERS_BAR_TEST
// ---- the bar that the progress pages draw from these positions ----

TEST_F(Workers, BarGrowsWithEveryStepAndFillsAtTheEnd) {
  PrepareExtraction(7);
  fakes.stageAfterExtract = 3;
  InstallSequence();
  const uint64_t total = installState.progressTotal.load();
  uint32_t last = 0;
  for (const FakeCall& c : fakes.calls) {
    const uint32_t bar = BarLengthFor(c.progressPos, total);
    EXPECT_GE(bar, last) << std::string(c.name.begin(), c.name.end());
    last = bar;
  }
  EXPECT_EQ(last, 588u);
}

TEST_F(Workers, BarOfAPackageAbove4GiBUsesTheFullProduct) {
  const uint64_t total = kPackageBytes + 0x12000000;
  // pos x 588 overflows 32 bits here; a truncated product would give a short bar.
  EXPECT_EQ(BarLengthFor(total / 2, total), 294u);
  EXPECT_EQ(BarLengthFor(total - 1, total), 587u);
  EXPECT_EQ(BarLengthFor(total, total), 588u);
}

TEST_F(Workers, BarOfAnInstallWithoutShortcutsStaysShort) {
  PrepareExtraction(4);
  fakes.stageAfterExtract = 3;
  InstallSequence();
  EXPECT_LT(BarLengthFor(installState.progressPos.load(), installState.progressTotal.load()), 588u);
}
#endif

}  // namespace
