// The children made at design rectangles, remembered for a change of scale.
// A page has at most one such child at a time; a slot whose window is gone is
// taken again.
#include "scaled_child.h"

#include "display_scale.h"

namespace {

struct ScaledChild {
  HWND window;
  RECT designRect;
  HFONT* font;
};
ScaledChild children[4] = {};

void Place(const ScaledChild& c) {
  const RECT r = ScaleRect(c.designRect);
  SetWindowPos(c.window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(c.window, WM_SETFONT, reinterpret_cast<WPARAM>(*c.font), TRUE);
}

}  // namespace

HWND CreateScaledChild(HWND parent, const wchar_t* windowClass, DWORD style, const RECT& designRect,
                       HFONT* font) {
  const RECT r = ScaleRect(designRect);
  HWND child = CreateWindowExW(0, windowClass, L"", style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!child) return nullptr;
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(*font), FALSE);
  for (ScaledChild& c : children) {
    if (!c.window || !IsWindow(c.window)) {
      c = ScaledChild{child, designRect, font};
      break;
    }
  }
  return child;
}

void RescaleChildren() {
  for (ScaledChild& c : children) {
    if (c.window && IsWindow(c.window)) Place(c);
  }
}
