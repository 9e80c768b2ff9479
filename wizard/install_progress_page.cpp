// Pages 10 and 11: the pass-through page and the install progress page, which
// starts the install worker and the driver-installer thread and shows the
// step caption and the bar until the worker switches to page 16 or 17.
#include <windows.h>

#include "controls.h"
#include "pages.h"
#include "progress_display.h"

#include "engine/driver_runner.h"
#include "engine/install_state.h"
#include "engine/os_layer.h"
#include "engine/page_switch.h"
#include "engine/workers.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"

namespace {

constexpr int kTitleRow = 51;
constexpr int kTextRow = 52;
constexpr int kCaptionRow = 53;
// Shortcuts, registry record and hardware-key driver, as the worker counts them.
constexpr uint64_t kTrailingStepsWeight = 0x12000000;

// Cancel ends the program; the threads are neither waited for nor undone.
void Cancel(HWND window) {
  installState.runFlag.store(0);
  DestroyWindow(window);
}

void InstallProgressSteadyTick(HWND window) { ProgressSteadyTick(window, kCaptionRow); }

}  // namespace

void PassThroughEnter(HWND) { SwitchPage(kPageInstallProgress); }

void InstallProgressEnter(HWND) {
  ComposeProgressPage(kTitleRow, kTextRow);
  installState.progressTotal.store(installState.packageBytes + kTrailingStepsWeight);

  installState.runFlag.store(1);
  void* worker = os::StartThread(InstallWorkerThread);
  if (!worker) {
    // Without the worker nothing would ever leave this page; the error page
    // says the installation failed and its button ends the program.
    installState.runFlag.store(0);
    SwitchPage(kPageErrorPage);
    return;
  }
  installState.workerThread.store(worker);
  // A driver thread that cannot start does not hold up the installation.
  StartDriverInstallerThread();

  EnterSteadyTick(InstallProgressSteadyTick);
}

void InstallProgressKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  if (KeyPressId(key) == kIdButton2 + 1) Cancel(window);
}

void InstallProgressButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (ReleasedControl(window, lParam, HoverIdOnPage) == kIdButton2 + 1) Cancel(window);
}
