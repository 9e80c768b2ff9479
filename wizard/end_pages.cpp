// Pages 16 (error) and 17 (completion): the texts of the failed or finished
// operation and one button that closes the program.
#include "controls.h"
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

// First text row of the completion texts. Only the four groups exist; any
// other value (an operation that never set it) shows the install texts rather
// than rows that belong to other pages or lie past the tables.
int CompletionRow() {
  const uint32_t k = installState.completionTextIndex.load();
  switch (k) {
    case kCompletionModify:
    case kCompletionRepair:
    case kCompletionRemove:
    case kCompletionInstall:
      return static_cast<int>(k);
    default:
      return static_cast<int>(kCompletionInstall);
  }
}

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
  if (key == kKeyC) DestroyWindow(window);
}

void EndPageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (ReleasedButton(window, lParam, kRightButtonOnly) == 2) DestroyWindow(window);
}
