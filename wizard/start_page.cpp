// Page 0, the start page: checks the setup package on every entry (a failure
// leads to the error page behind a message box naming it) and offers Next and
// Exit.
#include "controls.h"
#include "pages.h"

#include "engine/install_state.h"
#include "engine/package_reader.h"
#include "engine/page_switch.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"

namespace {

constexpr int kNextFocusRow = 6;  // buttonImages: Next, focus look
constexpr int kExitNormalRow = 10;

// The box text of an OpenSetupPackage failure code.
const wchar_t* OpenFailureMessage(int code) {
  if (code <= -1 && code >= -8) return kOpenFailureMessages[-code - 1];
  // A part count the program cannot hold is a broken header: say so as such.
  return kOpenFailureMessages[-kOpenSizeMismatch - 1];
}

void Next() { SwitchPage(installState.productRecordPresent ? kPageChoice : kPageLicence); }

void Exit(HWND window) { DestroyWindow(window); }

void Perform(HWND window, int pressedId) {
  if (pressedId == kIdButton1 + 1) {
    Next();
  } else if (pressedId == kIdButton2 + 1) {
    Exit(window);
  }
}

}  // namespace

void StartPageEnter(HWND window) {
  const int code = OpenSetupPackage();
  if (code < 0) {
    ClosePackageFile();
    // The error page is current before the box opens, so the frame ticks of
    // the box's own loop draw it behind the box. Under Wine on an X server
    // without a window manager (the test beds) the box's picture stays for
    // about 2 s after it is dismissed: hiding it waits inside Wine's X11
    // driver, on this thread, for a "withdrawn" state that only a window
    // manager reports, and the X window is unmapped when that wait times out.
    // No frame tick runs meanwhile; the page itself was never damaged.
    SwitchPage(kPageErrorPage);
    MessageBoxW(window, OpenFailureMessage(code), kErrorCaption, MB_ICONERROR);
    return;
  }

  FillBackground();
  DrawTextRow(fontTitle, 0);
  DrawTextRow(fontText, 1);
  DrawTextRow(fontText, 2);
  DrawButtonImage(kNextFocusRow);
  DrawButtonImage(kExitNormalRow);
  buttonImageBase[0] = 0;
  buttonImageBase[1] = 5;
  buttonImageBase[2] = 10;
  focusButton = 1;
  EnterSteadyTick(PlainSteadyTick);
}

void StartPageKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(window, KeyPressId(key));
}

// The start page shows hover looks without a press; a held press keeps its
// pressed look while the pointer moves.
void StartPageMouseMove(HWND window, WPARAM, LPARAM lParam) {
  if (GetCapture() == window) return;
  hoverId = 0;
  hoverId = HoverIdOnPage(PointerFrom(lParam));
}

void StartPageButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressControlAt(window, lParam, HoverIdOnPage);
}

void StartPageButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedControl(window, lParam, HoverIdOnPage));
}
