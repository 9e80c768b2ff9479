// Page 6, the licence agreement: the licence in a read-only box, the agree /
// do-not-agree pair, and a Next button that is a control only while agree is
// chosen. Every entry starts again with do-not-agree.
#include <windows.h>

#include "controls.h"
#include "licence_text.h"
#include "pages.h"

#include "engine/page_switch.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/scaled_child.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"

namespace {

constexpr int kTitleRow = 13;
constexpr int kAgreeRow = 14;
constexpr int kDisagreeRow = 15;

// optionMarks rows: agree 18-23 at (34, 300), do-not-agree 24-29 at (34, 324).
constexpr int kAgreeMarks = 18;
constexpr int kDisagreeMarks = 24;
constexpr int kChosenLook = 3;
// buttonImages rows.
constexpr int kBackNormal = 0;
constexpr int kNextFocus = 6;
constexpr int kNextDisabled = 9;
constexpr int kExitNormal = 10;

// The licence box lives only while the page is current; its table row says
// where (Next in that table is a control only while agree is chosen).
constexpr DWORD kBoxStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | ES_READONLY | ES_MULTILINE;
HWND editBox = nullptr;

void DestroyBox() {
  if (editBox && IsWindow(editBox)) DestroyWindow(editBox);
  editBox = nullptr;
}

void ChooseAgree() {
  selectedOption = 0;
  nextEnabled = 1;
  focusButton = 1;
}

void ChooseDisagree() {
  selectedOption = 1;
  nextEnabled = 0;
  focusButton = 2;
}

// Exit leads back to the start page here; it does not close the program.
void LeaveTo(uint32_t page) {
  DestroyBox();
  SwitchPage(page);
}

void Perform(int pressedId) {
  switch (pressedId) {
    case kIdAgree + 1: ChooseAgree(); break;
    case kIdDisagree + 1: ChooseDisagree(); break;
    case kIdButton0 + 1: LeaveTo(kPageStart); break;
    case kIdButton1 + 1: if (nextEnabled) LeaveTo(kPageInstallType); break;
    case kIdButton2 + 1: LeaveTo(kPageStart); break;
    default: break;
  }
}

void LicencePageSteadyTick(HWND window) {
  if (selectedOption != drawnOption) {
    DrawOptionMark(kAgreeMarks + (selectedOption == 0 ? kChosenLook : 0));
    DrawOptionMark(kDisagreeMarks + (selectedOption == 1 ? kChosenLook : 0));
    DrawButtonImage(nextEnabled == 1 ? kNextFocus : kNextDisabled);
    drawnOption = selectedOption;
    repaintFlag = 1;
  }
  if (HoverStepAndRepaintDue()) PresentFrameAround(window, EditBoxRect(kPageLicence), editBox);
}

}  // namespace

void LicencePageEnter(HWND window) {
  FillBackground();
  DrawTextRow(fontSubtitle, kTitleRow);
  DrawTextRow(fontText, kAgreeRow);
  DrawTextRow(fontText, kDisagreeRow);
  DrawOptionMark(kAgreeMarks);
  DrawOptionMark(kDisagreeMarks + kChosenLook);
  optionImageBase[0] = kAgreeMarks;
  optionImageBase[1] = kDisagreeMarks;
  DrawButtonImage(kBackNormal);
  DrawButtonImage(kNextDisabled);
  DrawButtonImage(kExitNormal);
  drawnOption = 1;
  selectedOption = 1;
  nextEnabled = 0;
  buttonImageBase[0] = 0;
  buttonImageBase[1] = 5;
  buttonImageBase[2] = 10;
  focusButton = 2;

  // A box left over from an earlier entry would stack under the new one.
  DestroyBox();
  editBox = CreateScaledChild(window, L"EDIT", kBoxStyle, EditBoxRect(kPageLicence), &fontSmall);
  if (editBox) {
    SendMessageW(editBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(licenceText));
  }

  EnterSteadyTick(LicencePageSteadyTick);
}

void LicencePageKey(HWND, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(KeyPressId(key));
}

void LicencePageMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, HoverIdOnPage);
}

void LicencePageButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressControlAt(window, lParam, HoverIdOnPage);
}

void LicencePageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(ReleasedControl(window, lParam, HoverIdOnPage));
}
