// The handlers that several rows of the page table share (the "none" and
// "empty" sets, the plain steady tick, the single-button and progress sets, the
// feature-page pointer handlers) and the hit tests of controls.h over the
// pages' control tables.
#include "controls.h"
#include "page_controls.h"
#include "pages.h"

#include "engine/install_state.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"

int ButtonAt(Pointer p, unsigned positionMask) {
  for (int pos = 0; pos < 4; ++pos) {
    if ((positionMask & (1u << pos)) && RectContains(kButtonRects[pos], p.x, p.y)) return pos;
  }
  return -1;
}

int CheckBoxAt(Pointer p) {
  for (int k = 0; k < 3; ++k) {
    if (RectContains(kCheckBoxRects[k], p.x, p.y)) return k;
  }
  return -1;
}

int HoverIdOnPage(Pointer p) {
  const PageControl* c = ControlAt(currentPage, p.x, p.y);
  return c && c->kind != ControlKind::kCheckBox ? c->id : 0;
}

int PressIdOnPage(Pointer p) {
  const PageControl* c = ControlAt(currentPage, p.x, p.y);
  if (!c) return 0;
  return c->kind == ControlKind::kCheckBox ? c->id : c->id + 1;
}

int KeyPressId(WPARAM key) {
  const PageControls t = ControlsOf(currentPage);
  for (int i = 0; i < t.count; ++i) {
    const PageControl& c = t.controls[i];
    if (c.key != 0 && static_cast<WPARAM>(c.key) == key && ControlActive(c))
      return c.kind == ControlKind::kCheckBox ? c.id : c.id + 1;
  }
  return 0;
}

RECT EditBoxRect(uint32_t page) {
  const PageControl* box = FindControl(page, ControlKind::kEdit);
  if (!box) return RECT{0, 0, 0, 0};
  return RECT{box->rect.left, box->rect.top, box->rect.right + 1, box->rect.bottom + 1};
}

void BeginPress(HWND window, int pressedId) {
  hoverId = pressedId;
  SetCapture(window);
}

int EndPress(HWND window) {
  if (GetCapture() != window) {
    hoverId = 0;
    return 0;
  }
  // hoverId keeps the pressed id: the control shows its pressed look while
  // its action runs (a dialog's or a message box's own loop keeps ticking);
  // the window procedure clears it once the button-up handler returns.
  ReleaseCapture();
  return hoverId;
}

void CaptureFormMouseMove(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer)) {
  if (GetCapture() != window) return;
  ReleaseCapture();
  hoverId = 0;
  hoverId = hoverIdAt(PointerFrom(lParam));
}

void PressControlAt(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer)) {
  const int id = hoverIdAt(PointerFrom(lParam));
  if (id != 0) BeginPress(window, id + 1);
}

// A press acts only when released on the control where it began.
int ReleasedControl(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer)) {
  const int held = EndPress(window);
  return held != 0 && hoverIdAt(PointerFrom(lParam)) + 1 == held ? held : 0;
}

int ReleasedPress(HWND window, LPARAM lParam, int (*pressIdAt)(Pointer)) {
  const int held = EndPress(window);
  return held != 0 && pressIdAt(PointerFrom(lParam)) == held ? held : 0;
}

void DrawFeatureCheckBoxes(uint32_t flags) {
  for (int k = 0; k < 3; ++k) DrawCheckMark(2 * k + static_cast<int>((flags >> k) & 1u));
}

bool ToggleFeatureCheck(int pressedId) {
  if (pressedId < kIdCheck0 || pressedId > kIdCheck0 + 2) return false;
  installState.featureFlags.fetch_xor(1u << (pressedId - kIdCheck0));
  return true;
}

void DrawBackNextExit() {
  buttonImageBase[0] = 0;
  buttonImageBase[1] = 5;
  buttonImageBase[2] = 10;
  DrawButtonImage(0);   // Back, normal
  DrawButtonImage(6);   // Next, focus look
  DrawButtonImage(10);  // Exit, normal
  focusButton = 1;
}

void EnterSteadyTick(void (*tick)(HWND)) {
  hoverId = 0;
  drawnHoverId = 0;
  tickHandler = tick;
}

bool HoverStepAndRepaintDue() {
  const bool drew = HoverStep();
  if (!drew && repaintFlag == 0) return false;
  repaintFlag = 0;
  return true;
}

// "none": rows and slots without input.
void NoInput(HWND, WPARAM, LPARAM) {}

// "empty": rows without a page keep the last frame on screen.
void EmptyPageEnter(HWND) { EnterSteadyTick(DoNothingTick); }

void DoNothingTick(HWND) {}

void PlainSteadyTick(HWND window) {
  if (HoverStepAndRepaintDue()) PresentFrame(window);
}

// S-move / S-down: only the bottom-right button.
void SingleButtonMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, HoverIdOnPage);
}

void SingleButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressControlAt(window, lParam, HoverIdOnPage);
}

// P-key / P-up (pages 3, 4, 5): Cancel only asks the operation to stop.
void ProgressKey(HWND, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  if (KeyPressId(key) == kIdButton2 + 1) installState.runFlag.store(0);
}

void ProgressButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (ReleasedControl(window, lParam, HoverIdOnPage) == kIdButton2 + 1) installState.runFlag.store(0);
}

// F-move / F-down (pages 2 and 9): the check boxes have a press id only.
void FeatureMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, HoverIdOnPage);
}

void FeatureButtonDown(HWND window, WPARAM, LPARAM lParam) {
  const int id = PressIdOnPage(PointerFrom(lParam));
  if (id != 0) BeginPress(window, id);
}
