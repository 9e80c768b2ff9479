// Pages 16 (error) and 17 (completion): the texts of the failed or finished
// operation and one button that closes the program.
#include "controls.h"
#include "page_controls.h"
#include "pages.h"

#include "engine/install_state.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"

namespace {

constexpr int kErrorTitleRow = 83;
constexpr int kErrorTextRow = 84;
constexpr int kExitRows = 10;    // buttonImages: Exit, normal look first
constexpr int kFinishRows = 15;  // Finish

}  // namespace

void ErrorPageEnter(HWND) {
  FillBackground();
  DrawTextRow(fontTitle, kErrorTitleRow);
  DrawTextRow(fontText, kErrorTextRow);
  buttonImageBase[2] = kExitRows;
  DrawButtonImage(kExitRows);
  focusButton = 2;
  EnterSteadyTick(PlainSteadyTick);
}

void CompletionPageEnter(HWND) {
  const int k = CompletionRow();
  FillBackground();
  DrawTextRow(fontSubtitle, k);
  for (int row = k + 1; row <= k + 3; ++row) {
    if (uiTexts[row][0] != L'\0') DrawTextRow(fontText, row);
  }
  buttonImageBase[0] = 0;
  buttonImageBase[1] = 5;
  buttonImageBase[2] = kFinishRows;
  focusButton = 2;
  DrawButtonImage(kFinishRows + 1);
  EnterSteadyTick(PlainSteadyTick);
}

void EndPageKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  if (KeyPressId(key) == kIdButton2 + 1) DestroyWindow(window);
}

void EndPageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (ReleasedControl(window, lParam, HoverIdOnPage) == kIdButton2 + 1) DestroyWindow(window);
}
