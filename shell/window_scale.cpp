// The DPI of the main window and the scale it is drawn at. GetDpiForWindow and
// AdjustWindowRectExForDpi are looked up in user32 at run time: Windows 7's
// user32 has neither, and there the screen's LOGPIXELSX is the DPI.
#include "window_scale.h"

#include "display_scale.h"
#include "frame_gdi.h"
#include "scaled_child.h"
#include "user32_export.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  if (!screen) return 96;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
  const auto getDpi = User32Export<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = getDpi ? getDpi(window) : 0;
  return dpi ? dpi : SystemDpi();
}

// The outer rectangle around a client area of the frame at the current scale,
// with the caption and borders of a window at dpi.
RECT OuterRect(DWORD style, DWORD exStyle, UINT dpi) {
  const auto adjust = User32Export<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT outer = {0, 0, ClientWidth(), ClientHeight()};
  if (!adjust || !adjust(&outer, style, FALSE, exStyle, dpi))
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  return outer;
}

// The listed scale nearest to dpi, or the largest one below it whose window
// fits the monitor's work area.
int ScaleFor(UINT dpi, HMONITOR monitor, DWORD style, DWORD exStyle) {
  const int wanted = NearestListedScale(static_cast<int>(dpi));
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!monitor || !GetMonitorInfoW(monitor, &info)) return wanted;
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return FittingScale(wanted, info.rcWork.right - info.rcWork.left,
                      info.rcWork.bottom - info.rcWork.top, frame.right - frame.left,
                      frame.bottom - frame.top);
}

DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }
DWORD ExStyle(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)); }

// Makes percent the scale and draws the frame anew at it. A frame that cannot
// be made that large is made at 100 %, as the window was before.
void Rescale(HWND window, int percent) {
  if (!SetDisplayScale(percent) || !RescaleFrame(window)) {
    SetDisplayScale(100);
    RescaleFrame(window);
  }
  RescaleChildren();
}

// Gives the window the outer size for the current scale with its top-left
// corner at (x, y), moved as little as needed to lie within the work area of
// its monitor: a larger window must not grow off the screen's edge.
void Resize(HWND window, UINT dpi, int x, int y) {
  const RECT outer = OuterRect(Style(window), ExStyle(window), dpi);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  const RECT wanted = {x, y, x + w, y + h};
  if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info)) {
    if (x + w > info.rcWork.right) x = info.rcWork.right - w;
    if (y + h > info.rcWork.bottom) y = info.rcWork.bottom - h;
    if (x < info.rcWork.left) x = info.rcWork.left;
    if (y < info.rcWork.top) y = info.rcWork.top;
  }
  SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame drawn may differ from the one computed for dpi (a system that
  // keeps the caption at its own DPI): correct by what the client area missed.
  RECT client = {};
  GetClientRect(window, &client);
  const int dw = ClientWidth() - (client.right - client.left);
  const int dh = ClientHeight() - (client.bottom - client.top);
  if (dw != 0 || dh != 0)
    SetWindowPos(window, nullptr, 0, 0, w + dw, h + dh, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

RECT WindowRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

}  // namespace

RECT ScaleForNewWindow(DWORD style, DWORD exStyle) {
  const POINT origin = {0, 0};
  const UINT dpi = SystemDpi();
  SetDisplayScale(ScaleFor(dpi, MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), style, exStyle));
  return OuterRect(style, exStyle, dpi);
}

void TakeWindowDpi(HWND window) {
  const UINT dpi = WindowDpi(window);
  const int percent =
      ScaleFor(dpi, MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), Style(window), ExStyle(window));
  if (percent == ScalePercent()) return;
  Rescale(window, percent);
  const RECT r = WindowRect(window);
  Resize(window, dpi, r.left, r.top);
}

void OnDpiChanged(HWND window, UINT dpi, const RECT* suggested) {
  HMONITOR monitor = suggested ? MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)
                               : MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  const int percent = ScaleFor(dpi, monitor, Style(window), ExStyle(window));
  if (percent != ScalePercent()) Rescale(window, percent);
  const RECT r = suggested ? *suggested : WindowRect(window);
  Resize(window, dpi, r.left, r.top);
}

LPARAM DesignPointer(LPARAM clientPointer) {
  const int x = static_cast<short>(LOWORD(clientPointer));
  const int y = static_cast<short>(HIWORD(clientPointer));
  return MAKELPARAM(static_cast<WORD>(DesignCoord(x)), static_cast<WORD>(DesignCoord(y)));
}
