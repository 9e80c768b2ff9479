// Page 2, the modify options: three check boxes (desktop shortcuts, start-menu
// shortcuts, FTDI driver package) bound to featureFlags bits 0-2, the space
// they need in MB, and the install drive's free and total space in GB.
#include <windows.h>

#include <cwchar>

#include "engine/install_state.h"
#include "engine/page_switch.h"
#include "engine/system_probes.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"
#include "wizard/controls.h"
#include "wizard/pages.h"
#include "wizard/space_lines.h"

namespace {

constexpr int kTitleRow = 34;
constexpr int kFirstTextRow = 35;
constexpr int kLastTextRow = 38;
constexpr int kRequiredRow = 39;
constexpr int kFreeRow = 40;
constexpr int kTotalRow = 41;

void Perform(HWND window, int pressedId) {
  if (ToggleFeatureCheck(pressedId)) return;
  switch (pressedId) {
    case kIdButton0 + 1: SwitchPage(kPageChoice); break;
    case kIdButton1 + 1: SwitchPage(kPageModifyProgress); break;
    case kIdButton2 + 1: DestroyWindow(window); break;
    default: break;
  }
}

void ModifyOptionsSteadyTick(HWND window) {
  uint32_t flags = installState.featureFlags.load();
  if (flags != drawnFeatureFlags) {
    drawnFeatureFlags = flags;
    DrawFeatureCheckBoxes(flags);
    FillStatusBand();
    DrawSpaceLine(kRequiredRow);
    repaintFlag = 1;
  }
  PlainSteadyTick(window);
}

}  // namespace

void ModifyOptionsEnter(HWND) {
  FillBackground();
  DrawTextRow(fontSubtitle, kTitleRow);
  for (int row = kFirstTextRow; row <= kLastTextRow; ++row) DrawTextRow(fontText, row);

  ProbeDiskSpace(static_cast<char>(installState.installDir[0]));

  // The boxes and the required space are drawn from featureFlags as it is
  // (7 when the choice page's Next led here), and recorded as drawn.
  uint32_t flags = installState.featureFlags.load();
  DrawSpaceLine(kRequiredRow);
  DrawSpaceLine(kFreeRow);
  DrawSpaceLine(kTotalRow);
  DrawFeatureCheckBoxes(flags);
  drawnFeatureFlags = flags;

  DrawBackNextExit();
  EnterSteadyTick(ModifyOptionsSteadyTick);
}

void ModifyOptionsKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(window, KeyPressId(key));
}

void ModifyOptionsButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedPress(window, lParam, PressIdOnPage));
}
