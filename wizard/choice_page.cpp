// Page 1, the maintenance choice: modify, repair or remove the installation
// recorded in the registry. Every entry takes the recorded folder as the
// install folder and resets the choice to modify.
#include <windows.h>

#include <cwchar>

#include "engine/install_state.h"
#include "engine/page_switch.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "wizard/controls.h"
#include "wizard/pages.h"

namespace {

constexpr int kTitleRow = 3;
constexpr int kFirstTextRow = 4;
constexpr int kLastTextRow = 11;
constexpr int kOptionMarkRowsPerOption = 6;
constexpr int kSelectedLook = 3;

void DrawOptionMarks(int chosen) {
  for (int k = 0; k < 3; ++k)
    DrawOptionMark(kOptionMarkRowsPerOption * k + (chosen == k ? kSelectedLook : 0));
}

void GoBack() { SwitchPage(kPageStart); }

void GoNext() {
  // Every maintenance operation starts from all three optional items chosen
  // and the driver-pending bit clear.
  installState.featureFlags.store(kFeatureDesktopLinks | kFeatureStartMenuLinks | kFeatureFtdiDriver);
  SwitchPage(kPageModifyOptions + static_cast<uint32_t>(selectedOption));
}

void Exit(HWND window) { DestroyWindow(window); }

void Perform(HWND window, int pressedId) {
  switch (pressedId) {
    case kIdOption0 + 1: selectedOption = 0; break;
    case kIdOption1 + 1: selectedOption = 1; break;
    case kIdOption2 + 1: selectedOption = 2; break;
    case kIdButton0 + 1: GoBack(); break;
    case kIdButton1 + 1: GoNext(); break;
    case kIdButton2 + 1: Exit(window); break;
    default: break;
  }
}

void ChoicePageSteadyTick(HWND window) {
  if (selectedOption != drawnOption) {
    DrawOptionMarks(selectedOption);
    drawnOption = selectedOption;
    repaintFlag = 1;
  }
  PlainSteadyTick(window);
}

}  // namespace

void ChoicePageEnter(HWND) {
  // The operations work on the recorded folder. The registry value may fill
  // its buffer without a terminator, so the copy is bounded and terminated.
  wcsncpy(installState.installDir, installState.recordedPath, kPathUnits - 1);
  installState.installDir[kPathUnits - 1] = 0;

  FillBackground();
  DrawOptionIcons();
  DrawTextRow(fontTitle, kTitleRow);
  for (int row = kFirstTextRow; row <= kLastTextRow; ++row) DrawTextRow(fontText, row);
  DrawOptionMarks(0);
  optionImageBase[0] = 0;
  optionImageBase[1] = 6;
  optionImageBase[2] = 12;
  DrawBackNextExit();

  drawnOption = 0;
  selectedOption = 0;
  EnterSteadyTick(ChoicePageSteadyTick);
}

void ChoicePageKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(window, KeyPressId(key));
}

void ChoicePageMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, HoverIdOnPage);
}

void ChoicePageButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressControlAt(window, lParam, HoverIdOnPage);
}

void ChoicePageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedControl(window, lParam, HoverIdOnPage));
}
