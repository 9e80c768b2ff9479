// Pages 10 and 11: the pass-through page and the install progress page, which
// starts the install worker and the driver-installer thread and shows the
// step caption and the bar until the worker switches to page 16 or 17.
#include <windows.h>

#include "controls.h"
#include "pages.h"

#include "engine/driver_runner.h"
#include "engine/install_state.h"
#include "engine/os_layer.h"
#include "engine/page_switch.h"
#include "engine/workers.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"

namespace {

constexpr int kTitleRow = 51;
constexpr int kTextRow = 52;
constexpr int kCaptionRow = 53;
constexpr int kCaptionTop = 180;
constexpr int kCaptionBottom = 219;
constexpr int kBarTop = 247;
constexpr int kCancelPictures = 20;
// Shortcuts, registry record and hardware-key driver, as the worker counts them.
constexpr uint64_t kTrailingStepsWeight = 0x12000000;

// Cancel ends the program; the threads are neither waited for nor undone.
void Cancel(HWND window) {
  installState.runFlag.store(0);
  DestroyWindow(window);
}

void InstallProgressSteadyTick(HWND window) {
  const uint64_t pos = installState.progressPos.load();
  if (pos != drawnProgressPos) {
    drawnProgressPos = pos;
    repaintFlag = 1;
    FillRows(kCaptionTop, kCaptionBottom);
    wchar_t caption[kPathUnits];
    CopyStepCaption(caption);
    DrawTextLine(fontText, caption, textRects[kCaptionRow]);
    barLength = BarLengthFor(pos, installState.progressTotal.load());
  }
  DrawProgressBar(kBarTop, barLength);
  if (HoverStep()) repaintFlag = 1;
  if (repaintFlag != 0) {
    repaintFlag = 0;
    PresentFrame(window);
  } else {
    PresentProgressBand(window);
  }
}

}  // namespace

void PassThroughEnter(HWND) { SwitchPage(kPageInstallProgress); }

void InstallProgressEnter(HWND) {
  FillBackground();
  DrawTextRow(fontTitle, kTitleRow);
  DrawTextRow(fontText, kTextRow);
  installState.progressTotal.store(installState.packageBytes + kTrailingStepsWeight);
  barLength = 0;
  DrawProgressTrough(kBarTop);
  buttonImageBase[2] = kCancelPictures;
  DrawButtonImage(kCancelPictures);
  focusButton = 2;

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
  // A driver thread that cannot start only costs the worker its bounded
  // wait at the end; the installation itself goes on.
  installState.driverThread.store(os::StartThread(DriverInstallerThread));

  hoverId = 0;
  drawnHoverId = 0;
  tickHandler = InstallProgressSteadyTick;
}

void InstallProgressKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  if (key == kKeyC) Cancel(window);
}

void InstallProgressButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (EndPress(window) == ButtonPressedId(2) && InsideButton(2, PointerFrom(lParam))) Cancel(window);
}
