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

constexpr unsigned kRightButtonOnly = 1u << 2;
constexpr unsigned kBottomButtons = 0x7;

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
  int held = 0;
  if (GetCapture() == window) {
    held = hoverId;
    ReleaseCapture();
  }
  hoverId = 0;
  return held;
}

void CaptureFormMouseMove(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer)) {
  if (GetCapture() != window) return;
  ReleaseCapture();
  hoverId = 0;
  hoverId = hoverIdAt(PointerFrom(lParam));
}

// "none": rows and slots without input.
void NoInput(HWND, WPARAM, LPARAM) {}

// "empty": rows without a page keep the last frame on screen.
void EmptyPageEnter(HWND) {
  hoverId = 0;
  drawnHoverId = 0;
  tickHandler = DoNothingTick;
}

void DoNothingTick(HWND) {}

void PlainSteadyTick(HWND window) {
  const bool drew = HoverStep();
  if (drew || repaintFlag != 0) {
    repaintFlag = 0;
    PresentFrame(window);
  }
}

// S-move / S-down: only the bottom-right button.
void SingleButtonMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, RightButtonHover);
}

void SingleButtonDown(HWND window, WPARAM, LPARAM lParam) {
  if (ButtonAt(PointerFrom(lParam), kRightButtonOnly) == 2) BeginPress(window, ButtonPressedId(2));
}

// P-key / P-up (pages 3, 4, 5): Cancel only asks the operation to stop.
void ProgressKey(HWND, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  if (key == kKeyC) installState.runFlag.store(0);
}

void ProgressButtonUp(HWND window, WPARAM, LPARAM lParam) {
  if (EndPress(window) == ButtonPressedId(2) && InsideButton(2, PointerFrom(lParam))) {
    installState.runFlag.store(0);
  }
}

// F-move / F-down (pages 2 and 9): the check boxes have a press id only.
void FeatureMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, BottomButtonHover);
}

void FeatureButtonDown(HWND window, WPARAM, LPARAM lParam) {
  const Pointer p = PointerFrom(lParam);
  if (InRange(p.x, 40, 50)) {
    const int box = CheckBoxAt(p);
    if (box >= 0) BeginPress(window, kIdCheck0 + box);
    return;
  }
  const int pos = ButtonAt(p, kBottomButtons);
  if (pos >= 0) BeginPress(window, ButtonPressedId(pos));
}
