// The four operations (install, repair, modify, remove) and their thread
// bodies: the order of steps, the step captions, the progress weights, the
// bounded wait for the driver-installer thread and the final page switch.
#include "workers.h"

#include <cstdint>

#include "driver_runner.h"
#include "extraction.h"
#include "install_state.h"
#include "os_layer.h"
#include "package_reader.h"
#include "page_switch.h"
#include "registry_record.h"
#include "removal.h"
#include "shortcuts.h"

namespace {

// Weights added to progressPos for the steps that extract nothing.
constexpr uint64_t kStepWeight = 0x1000000;
constexpr uint64_t kDriverStepWeight = 0x10000000;
constexpr int kDriverWaitPolls = 10000;

constexpr const wchar_t* kCaptionCreateShortcuts = L"바로가기 복사중";
constexpr const wchar_t* kCaptionWriteRecord = L"레지스트리에 환경변수 복사중";
constexpr const wchar_t* kCaptionInstallDriver = L"HASP Driver 설치중";
constexpr const wchar_t* kCaptionCopyFtdi = L"FTDI Serial Driver 복사중";
constexpr const wchar_t* kCaptionRemoveDriver = L"HASP Driver 제거중";
constexpr const wchar_t* kCaptionDeleteShortcuts = L"바로가기 삭제중";
constexpr const wchar_t* kCaptionDeleteRecord = L"레지스트리에 환경변수 삭제중";
constexpr const wchar_t* kCaptionDeleteFiles = L"설치 파일  삭제중";

// The caption goes out before the position moves, so that a painter which
// redraws on a change of progressPos shows the new caption.
void BeginStep(const wchar_t* caption, uint64_t weight) {
  SetStepCaption(caption);
  AdvanceProgress(weight);
}

bool WantsShortcuts() {
  return (installState.featureFlags.load() & (kFeatureDesktopLinks | kFeatureStartMenuLinks)) != 0;
}

// Waits for the driver-installer thread to reach a final stage (3, 16 or 17).
// False when runFlag went to 0 meanwhile (the operation was cancelled); true
// when the driver is done or the polls ran out, after which the operation
// goes on as if it were done.
bool WaitForDriverThread() {
  for (int poll = 0; poll < kDriverWaitPolls; ++poll) {
    if (installState.runFlag.load() == 0) return false;
    if (installState.driverStage.load() >= kDriverStageDone) return true;
    os::SleepMilliseconds(1);
  }
  return true;
}

// Steps 1-5 shared by install and repair. False when the operation ended
// here (extraction failed, which has already switched to the error page, or
// it was cancelled).
bool ExtractAndRecord() {
  installState.runFlag.store(1);
  const int rc = ExtractPackage();
  ClosePackageFile();
  if (rc < 0) {
    SwitchPage(kPageError);
    return false;
  }
  if (rc > 0) return false;
  if (WantsShortcuts()) {
    BeginStep(kCaptionCreateShortcuts, kStepWeight);
    CreateShortcuts();
  }
  BeginStep(kCaptionWriteRecord, kStepWeight);
  WriteInstallRecord();
  return true;
}

void Finish(uint32_t completionText) {
  installState.completionTextIndex.store(completionText);
  SwitchPage(kPageCompletion);
}

}  // namespace

void InstallSequence() {
  if (!ExtractAndRecord()) return;
  BeginStep(kCaptionInstallDriver, kDriverStepWeight);
  if (!WaitForDriverThread()) return;
  Finish(kCompletionInstall);
}

void RepairSequence() {
  if (!ExtractAndRecord()) return;
  BeginStep(kCaptionInstallDriver, kDriverStepWeight);
  // Extraction has set stage 2, so the installer's gate opens at once; how
  // the installer fared does not change the outcome.
  RunDriverInstaller();
  Finish(kCompletionRepair);
}

void ModifySequence() {
  installState.runFlag.store(1);
  const uint32_t flags = installState.featureFlags.load();
  if (flags & kFeatureFtdiDriver) {
    BeginStep(kCaptionCopyFtdi, kStepWeight);
    const int rc = ExtractFtdiDriver();
    ClosePackageFile();
    // A copy that failed (a changed entry, a full disk) is not a completed
    // modification: no record of the feature is written.
    if (rc < 0) {
      SwitchPage(kPageError);
      return;
    }
  }
  if (WantsShortcuts()) {
    BeginStep(kCaptionCreateShortcuts, kStepWeight);
    CreateShortcuts();
  }
  BeginStep(kCaptionWriteRecord, kStepWeight);
  WriteInstallRecord();
  if (flags & kFeatureInstallHaspDriver) {
    BeginStep(kCaptionInstallDriver, kDriverStepWeight);
    if (!WaitForDriverThread()) return;
  }
  Finish(kCompletionModify);
}

void RemoveSequence() {
  installState.runFlag.store(1);
  BeginStep(kCaptionRemoveDriver, kDriverStepWeight);
  RunDriverUninstaller();
  BeginStep(kCaptionDeleteShortcuts, kStepWeight);
  DeleteShortcuts();
  BeginStep(kCaptionDeleteRecord, kStepWeight);
  DeleteInstallRecord();
  BeginStep(kCaptionDeleteFiles, kStepWeight);
  RemoveInstalledFiles();
  Finish(kCompletionRemove);
}

unsigned InstallWorkerThread(void*) {
  os::SetThreadPriorityNormal();
  InstallSequence();
  installState.workerThread.store(nullptr);
  return 0;
}

unsigned RepairWorkerThread(void*) {
  os::SetThreadPriorityNormal();
  RepairSequence();
  installState.workerThread.store(nullptr);
  return 0;
}

unsigned ModifyWorkerThread(void*) {
  os::SetThreadPriorityNormal();
  ModifySequence();
  installState.workerThread.store(nullptr);
  return 0;
}

unsigned RemoveWorkerThread(void*) {
  os::SetThreadPriorityNormal();
  RemoveSequence();
  installState.workerThread.store(nullptr);
  return 0;
}
