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
#include "wizard/pages.h"

namespace {

constexpr int kTitleRow = 3;
constexpr int kFirstTextRow = 4;
constexpr int kLastTextRow = 11;
constexpr int kOptionMarkRowsPerOption = 6;
constexpr int kSelectedLook = 3;

// Hit tests with the client coordinates of lParam read as unsigned 16-bit
// values, so positions left of or above the client area hit nothing.
// Option marks: 16 x 16 at x 34, rows 120, 210, 300. Returns 0-2 or -1.
int OptionAt(unsigned x, unsigned y) {
  if (x < 34 || x > 49) return -1;
  static constexpr unsigned kTop[3] = {120, 210, 300};
  for (int k = 0; k < 3; ++k)
    if (y >= kTop[k] && y <= kTop[k] + 15) return k;
  return -1;
}

// Bottom buttons: 85 x 21 at x 333, 422, 511, row 393. Returns 0-2 or -1.
int ButtonAt(unsigned x, unsigned y) {
  if (y < 393 || y > 413) return -1;
  static constexpr unsigned kLeft[3] = {333, 422, 511};
  for (int p = 0; p < 3; ++p)
    if (x >= kLeft[p] && x <= kLeft[p] + 84) return p;
  return -1;
}

// The control id (even, pointer-over form) under the pointer, 0 for none.
int ControlAt(LPARAM lParam) {
  unsigned x = LOWORD(lParam), y = HIWORD(lParam);
  int option = OptionAt(x, y);
  if (option >= 0) return kIdOption0 + 2 * option;
  int button = ButtonAt(x, y);
  if (button >= 0) return kIdButton0 + 2 * button;
  return 0;
}

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
  if (HoverStep() || repaintFlag != 0) {
    repaintFlag = 0;
    PresentFrame(window);
  }
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
  DrawButtonImage(0);   // Back, normal
  DrawButtonImage(6);   // Next, focus look
  DrawButtonImage(10);  // Exit, normal

  drawnOption = 0;
  selectedOption = 0;
  buttonImageBase[0] = 0;
  buttonImageBase[1] = 5;
  buttonImageBase[2] = 10;
  focusButton = 1;
  drawnHoverId = 0;
  hoverId = 0;
  tickHandler = ChoicePageSteadyTick;
}

void ChoicePageKey(HWND window, WPARAM key, LPARAM) {
  if (GetKeyState(VK_CONTROL) < 0) return;
  switch (key) {
    case 'M': selectedOption = 0; break;
    case 'E': selectedOption = 1; break;
    case 'R': selectedOption = 2; break;
    case 'B': GoBack(); break;
    case 'N': GoNext(); break;
    case 'C': Exit(window); break;  // the Exit picture says X, the key is C
    default: break;
  }
}

void ChoicePageMouseMove(HWND window, WPARAM, LPARAM lParam) {
  // No hover look while no button is held; moving while held drops the press.
  if (GetCapture() != window) return;
  ReleaseCapture();
  hoverId = 0;
  hoverId = ControlAt(lParam);
}

void ChoicePageButtonDown(HWND window, WPARAM, LPARAM lParam) {
  int id = ControlAt(lParam);
  if (id == 0) return;
  hoverId = id + 1;
  SetCapture(window);
}

void ChoicePageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (GetCapture() == window) {
    ReleaseCapture();
    int id = ControlAt(lParam);
    int pressed = hoverId;
    hoverId = 0;
    if (id != 0 && id + 1 == pressed) Perform(window, pressed);
  }
  hoverId = 0;
}
