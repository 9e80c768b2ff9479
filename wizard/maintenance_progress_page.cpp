// Pages 3, 4 and 5: repair, remove and modify progress. Each enter handler
// sets the progress total and starts its operation thread (page 5 also the
// driver-installer thread when the hardware-key driver is missing); the steady
// tick shows the step caption and the bar until the operation switches page.
#include <windows.h>

#include "engine/driver_runner.h"
#include "engine/install_state.h"
#include "engine/os_layer.h"
#include "engine/page_switch.h"
#include "engine/registry_record.h"
#include "engine/workers.h"
#include "shell/page_table.h"
#include "wizard/controls.h"
#include "wizard/pages.h"
#include "wizard/progress_display.h"

namespace {

constexpr uint64_t kStepWeight = 0x1000000;
constexpr uint64_t kDriverStepWeight = 0x10000000;

struct ProgressPageRows {
  int title;
  int subtitle;
  int caption;
};
constexpr ProgressPageRows kRepairRows = {45, 46, 47};
constexpr ProgressPageRows kRemoveRows = {48, 49, 50};
constexpr ProgressPageRows kModifyRows = {42, 43, 44};

// The caption rectangle row of the page now current (set by its enter handler).
int captionRow = kRepairRows.caption;

void MaintenanceProgressSteadyTick(HWND window) { ProgressSteadyTick(window, captionRow); }

// Composes the page and notes its caption row for the steady tick.
void ComposePage(const ProgressPageRows& rows) {
  ComposeProgressPage(rows.title, rows.subtitle);
  captionRow = rows.caption;
}

// Starts the page's operation thread. An operation that cannot start would
// leave the page with a bar that never moves and no way on, so the wizard goes
// to the error page instead, whose button ends the program.
bool StartWorker(unsigned (*body)(void*)) {
  installState.runFlag.store(1);
  void* thread = os::StartThread(body);
  if (thread == nullptr) {
    installState.runFlag.store(0);
    SwitchPage(kPageError);
    return false;
  }
  installState.workerThread.store(thread);
  return true;
}

}  // namespace

void RepairProgressEnter(HWND) {
  ComposePage(kRepairRows);
  installState.progressTotal.store(installState.packageBytes + 0x12000000ull);
  EnterSteadyTick(MaintenanceProgressSteadyTick);
  StartWorker(RepairWorkerThread);
}

void RemoveProgressEnter(HWND) {
  ComposePage(kRemoveRows);
  installState.progressTotal.store(0x13000000ull);
  EnterSteadyTick(MaintenanceProgressSteadyTick);
  StartWorker(RemoveWorkerThread);
}

void ModifyProgressEnter(HWND) {
  ComposePage(kModifyRows);
  uint64_t total = (installState.featureFlags.load() & kFeatureFtdiDriver) ? 2 * kStepWeight : kStepWeight;
  if (ProbeDriverInstalled() == 0) {
    installState.featureFlags.fetch_or(kFeatureInstallHaspDriver);
    total += kDriverStepWeight;
  }
  installState.progressTotal.store(total);
  EnterSteadyTick(MaintenanceProgressSteadyTick);
  if (!StartWorker(ModifyWorkerThread)) return;
  if (installState.featureFlags.load() & kFeatureInstallHaspDriver) {
    // The installation's Driver folder already holds the driver installer,
    // so the runner may pass its gate at once.
    installState.driverStage.store(kDriverStageMayRun);
    StartDriverInstallerThread();
  }
}
