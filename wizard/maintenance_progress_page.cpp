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
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"
#include "wizard/pages.h"

namespace {

constexpr int kBarTop = 247;
constexpr int kCaptionBandTop = 180;
constexpr int kCaptionBandBottom = 219;
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

void MaintenanceProgressSteadyTick(HWND window) {
  uint64_t pos = installState.progressPos.load();
  if (pos != drawnProgressPos) {
    drawnProgressPos = pos;
    repaintFlag = 1;
    FillRows(kCaptionBandTop, kCaptionBandBottom);
    // The operation writes the caption before it advances the position, so
    // the caption read now belongs to this position (or a later one).
    wchar_t caption[kPathUnits];
    CopyStepCaption(caption);
    DrawTextLine(fontText, caption, textRects[captionRow]);
    barLength = BarLengthFor(pos, installState.progressTotal.load());
  }
  DrawProgressBar(kBarTop, barLength);
  if (HoverStep()) repaintFlag = 1;
  // Something reaches the screen on every tick: the whole frame after a
  // change, otherwise the progress band.
  if (repaintFlag != 0) {
    repaintFlag = 0;
    PresentFrame(window);
  } else {
    PresentProgressBand(window);
  }
}

// Composes the page: title, subtitle, empty trough, Cancel in its normal look.
void ComposeProgressPage(const ProgressPageRows& rows) {
  FillBackground();
  DrawTextRow(fontTitle, rows.title);
  DrawTextRow(fontText, rows.subtitle);
  captionRow = rows.caption;
  barLength = 0;
  DrawProgressTrough(kBarTop);
  DrawButtonImage(20);  // Cancel, normal
  buttonImageBase[2] = 20;
  focusButton = 2;
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

void FinishEnter() {
  drawnHoverId = 0;
  hoverId = 0;
  tickHandler = MaintenanceProgressSteadyTick;
}

}  // namespace

void RepairProgressEnter(HWND) {
  ComposeProgressPage(kRepairRows);
  installState.progressTotal.store(installState.packageBytes + 0x12000000ull);
  FinishEnter();
  StartWorker(RepairWorkerThread);
}

void RemoveProgressEnter(HWND) {
  ComposeProgressPage(kRemoveRows);
  installState.progressTotal.store(0x13000000ull);
  FinishEnter();
  StartWorker(RemoveWorkerThread);
}

void ModifyProgressEnter(HWND) {
  ComposeProgressPage(kModifyRows);
  uint64_t total = (installState.featureFlags.load() & kFeatureFtdiDriver) ? 2 * kStepWeight : kStepWeight;
  if (ProbeDriverInstalled() == 0) {
    installState.featureFlags.fetch_or(kFeatureInstallHaspDriver);
    total += kDriverStepWeight;
  }
  installState.progressTotal.store(total);
  FinishEnter();
  if (!StartWorker(ModifyWorkerThread)) return;
  if (installState.featureFlags.load() & kFeatureInstallHaspDriver) {
    // The installation's Driver folder already holds the driver installer,
    // so the runner may pass its gate at once.
    installState.driverStage.store(kDriverStageMayRun);
    void* thread = os::StartThread(DriverInstallerThread);
    if (thread == nullptr) {
      // Same outcome as a runner that could not start the installer: the
      // modify worker's wait for the driver ends at once.
      installState.driverStage.store(kDriverStageStartFailed);
    } else {
      installState.driverThread.store(thread);
    }
  }
}
