// Page 9, the feature selection of a custom installation: three check boxes
// (desktop shortcuts, start-menu shortcuts, FTDI serial driver) and the
// space lines of the install drive. Next does not test the space.
#include <windows.h>

#include <cwchar>

#include "controls.h"
#include "pages.h"
#include "space_lines.h"

#include "engine/install_state.h"
#include "engine/page_switch.h"
#include "engine/system_probes.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"

namespace {

constexpr int kTitleRow = 26;
constexpr int kFirstTextRow = 27;
constexpr int kLastTextRow = 30;
constexpr int kRequiredRow = 31;
constexpr int kFreeRow = 32;
constexpr int kTotalRow = 33;

void Perform(HWND window, int pressedId) {
  if (ToggleFeatureCheck(pressedId)) return;
  switch (pressedId) {
    case kIdButton0 + 1: SwitchPage(kPageInstallFolder); break;
    case kIdButton1 + 1: SwitchPage(kPagePassThrough); break;
    case kIdButton2 + 1: DestroyWindow(window); break;
    default: break;
  }
}

void FeaturePageSteadyTick(HWND window) {
  const uint32_t flags = installState.featureFlags.load();
  if (flags != drawnFeatureFlags) {
    drawnFeatureFlags = flags;
    DrawFeatureCheckBoxes(flags);
    repaintFlag = 1;
  }
  PlainSteadyTick(window);
}

}  // namespace

void FeaturePageEnter(HWND) {
  FillBackground();
  DrawTextRow(fontSubtitle, kTitleRow);
  for (int row = kFirstTextRow; row <= kLastTextRow; ++row) DrawTextRow(fontText, row);

  // Measured on every entry, so a folder changed on page 8 shows here.
  ProbeDiskSpace(static_cast<char>(installState.installDir[0]));
  DrawSpaceLine(kRequiredRow);
  DrawSpaceLine(kFreeRow);
  DrawSpaceLine(kTotalRow);

  const uint32_t flags = installState.featureFlags.load();
  DrawFeatureCheckBoxes(flags);
  drawnFeatureFlags = flags;

  DrawBackNextExit();
  EnterSteadyTick(FeaturePageSteadyTick);
}

void FeaturePageKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(window, KeyPressId(key));
}

void FeaturePageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedPress(window, lParam, PressIdOnPage));
}
