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

namespace {

constexpr int kTitleRow = 34;
constexpr int kFirstTextRow = 35;
constexpr int kLastTextRow = 38;
constexpr int kRequiredRow = 39;
constexpr int kFreeRow = 40;
constexpr int kTotalRow = 41;
constexpr int kLineUnits = 256;
constexpr double kBytesToGigabytes = 1.0 / 1073741824.0;  // 2^-30

// Megabytes each item needs, kept single precision and added up in double.
constexpr float kDesktopLinksMegabytes = 0.01f;
constexpr float kStartMenuLinksMegabytes = 0.01f;
constexpr float kFtdiDriverMegabytes = 3.48f;

double RequiredMegabytes(uint32_t flags) {
  double sum = 0;
  if (flags & kFeatureDesktopLinks) sum += kDesktopLinksMegabytes;
  if (flags & kFeatureStartMenuLinks) sum += kStartMenuLinksMegabytes;
  if (flags & kFeatureFtdiDriver) sum += kFtdiDriverMegabytes;
  return sum;
}

// Formats a space line (one double, then the drive letter) and draws it into
// the rectangle of its row. A line that does not fit its buffer is not drawn.
void DrawSpaceLine(int row, double amount) {
  wchar_t line[kLineUnits];
  // The drive letter goes as an int: "%C" reads a promoted character argument
  // with every runtime's printf.
  int drive = installState.installDir[0];
  int n = swprintf(line, kLineUnits, uiTexts[row], amount, drive);
  if (n < 0 || n >= kLineUnits) return;
  DrawTextLine(fontText, line, textRects[row]);
}

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
    DrawSpaceLine(kRequiredRow, RequiredMegabytes(flags));
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
  // Unsigned 64-bit to double keeps counts above 2^63 right.
  double freeGigabytes = static_cast<double>(installState.diskFreeBytes) * kBytesToGigabytes;
  double totalGigabytes = static_cast<double>(installState.diskTotalBytes) * kBytesToGigabytes;

  // The boxes and the required space are drawn from featureFlags as it is
  // (7 when the choice page's Next led here), and recorded as drawn.
  uint32_t flags = installState.featureFlags.load();
  DrawSpaceLine(kRequiredRow, RequiredMegabytes(flags));
  DrawSpaceLine(kFreeRow, freeGigabytes);
  DrawSpaceLine(kTotalRow, totalGigabytes);
  DrawFeatureCheckBoxes(flags);
  drawnFeatureFlags = flags;

  DrawBackNextExit();
  EnterSteadyTick(ModifyOptionsSteadyTick);
}

void ModifyOptionsKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  switch (key) {
    case kKeyB: Perform(window, ButtonPressedId(0)); break;
    case kKeyN: Perform(window, ButtonPressedId(1)); break;
    case kKeyC: Perform(window, ButtonPressedId(2)); break;  // X does nothing here
    default: break;
  }
}

void ModifyOptionsButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedPress(window, lParam, PressIdOnPage));
}
