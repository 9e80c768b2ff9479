// Page 7, the install type: a full installation (every feature, the folder
// unchanged) goes straight to the progress page, a custom one on to the
// folder and feature pages. Every entry starts again with full chosen.
#include <windows.h>

#include "controls.h"
#include "pages.h"

#include "engine/install_state.h"
#include "engine/page_switch.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"

namespace {

constexpr int kTitleRow = 16;
constexpr int kFirstTextRow = 17;
constexpr int kLastTextRow = 21;

// optionMarks rows: full 30-35 at (34, 150), custom 36-41 at (34, 230).
constexpr int kFullMarks = 30;
constexpr int kCustomMarks = 36;
constexpr int kChosenLook = 3;

constexpr uint32_t kAllFeatures = kFeatureDesktopLinks | kFeatureStartMenuLinks | kFeatureFtdiDriver;

void GoNext() {
  // Both roads start from every feature chosen, also after a visit to the
  // feature page that cleared some.
  installState.featureFlags.store(kAllFeatures);
  repaintFlag = -1;
  SwitchPage(selectedOption != 0 ? kPageInstallFolder : kPagePassThrough);
}

void Perform(HWND window, int pressedId) {
  switch (pressedId) {
    case kIdFull + 1: selectedOption = 0; break;
    case kIdCustom + 1: selectedOption = 1; break;
    case kIdButton0 + 1: SwitchPage(kPageLicence); break;
    case kIdButton1 + 1: GoNext(); break;
    case kIdButton2 + 1: DestroyWindow(window); break;
    default: break;
  }
}

void InstallTypeSteadyTick(HWND window) {
  if (selectedOption != drawnOption) {
    DrawOptionMark(kFullMarks + (selectedOption == 0 ? kChosenLook : 0));
    DrawOptionMark(kCustomMarks + (selectedOption == 1 ? kChosenLook : 0));
    drawnOption = selectedOption;
    repaintFlag = 1;
  }
  PlainSteadyTick(window);
}

}  // namespace

void InstallTypeEnter(HWND) {
  FillBackground();
  DrawTextRow(fontTitle, kTitleRow);
  for (int row = kFirstTextRow; row <= kLastTextRow; ++row) DrawTextRow(fontText, row);
  optionImageBase[0] = kFullMarks;
  optionImageBase[1] = kCustomMarks;
  DrawOptionMark(kFullMarks + kChosenLook);
  DrawOptionMark(kCustomMarks);
  drawnOption = 0;
  selectedOption = 0;
  DrawBackNextExit();
  EnterSteadyTick(InstallTypeSteadyTick);
}

void InstallTypeKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(window, KeyPressId(key));
}

void InstallTypeMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, HoverIdOnPage);
}

void InstallTypeButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressControlAt(window, lParam, HoverIdOnPage);
}

void InstallTypeButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedControl(window, lParam, HoverIdOnPage));
}
