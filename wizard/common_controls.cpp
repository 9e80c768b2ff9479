// The handlers that several rows of the page table share (the "none" and
// "empty" sets, the plain steady tick, the single-button and progress sets, the
// feature-page pointer handlers) and the hit-test helpers of controls.h.
#include "controls.h"
#include "pages.h"

#include "engine/install_state.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"

namespace {

int RightButtonHover(Pointer p) { return ButtonHoverAt(p, kRightButtonOnly); }
int BottomButtonHover(Pointer p) { return ButtonHoverAt(p, kBottomButtons); }

}  // namespace

int ButtonAt(Pointer p, unsigned positionMask) {
  // The strip is tested row first, then each position from the left; the
  // rectangles do not overlap, so the first hit is the only one.
  if (InRange(p.y, kStripTop, kStripBottom)) {
    for (int pos = 0; pos < 3; ++pos) {
      if ((positionMask & (1u << pos)) && InRange(p.x, kButtonLeft[pos], kButtonRight[pos])) return pos;
    }
  }
  if ((positionMask & (1u << 3)) && InsideButton(3, p)) return 3;
  return -1;
}

bool InsideButton(int position, Pointer p) {
  if (position < 0 || position > 3) return false;
  return InRange(p.x, kButtonLeft[position], kButtonRight[position]) &&
         InRange(p.y, kButtonTop[position], kButtonTop[position] + 20);
}

int ButtonHoverAt(Pointer p, unsigned positionMask) {
  const int pos = ButtonAt(p, positionMask);
  return pos < 0 ? 0 : ButtonHoverId(pos);
}

int CheckBoxAt(Pointer p) {
  if (!InRange(p.x, 40, 50)) return -1;
  for (int k = 0; k < 3; ++k) {
    const uint32_t top = 130 + 30 * static_cast<uint32_t>(k);
    if (InRange(p.y, top, top + 10)) return k;
  }
  return -1;
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

void PressButtonAt(HWND window, LPARAM lParam, unsigned positionMask) {
  const int pos = ButtonAt(PointerFrom(lParam), positionMask);
  if (pos >= 0) BeginPress(window, ButtonPressedId(pos));
}

int ReleasedButton(HWND window, LPARAM lParam, unsigned positionMask) {
  const int held = EndPress(window);
  const int pos = ButtonAt(PointerFrom(lParam), positionMask);
  return pos >= 0 && held == ButtonPressedId(pos) ? pos : -1;
}

int FeaturePressIdAt(Pointer p) {
  const int box = CheckBoxAt(p);
  if (box >= 0) return kIdCheck0 + box;
  const int pos = ButtonAt(p, kBottomButtons);
  return pos < 0 ? 0 : ButtonPressedId(pos);
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
  CaptureFormMouseMove(window, lParam, RightButtonHover);
}

void SingleButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressButtonAt(window, lParam, kRightButtonOnly);
}

// P-key / P-up (pages 3, 4, 5): Cancel only asks the operation to stop.
void ProgressKey(HWND, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  if (key == kKeyC) installState.runFlag.store(0);
}

void ProgressButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (ReleasedButton(window, lParam, kRightButtonOnly) == 2) installState.runFlag.store(0);
}

// F-move / F-down (pages 2 and 9): the check boxes have a press id only.
void FeatureMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, BottomButtonHover);
}

void FeatureButtonDown(HWND window, WPARAM, LPARAM lParam) {
  const int id = FeaturePressIdAt(PointerFrom(lParam));
  if (id != 0) BeginPress(window, id);
}
