// The main window at the display scale: the DPI it is shown at, the scale
// chosen for it (the nearest listed, or the largest that fits the monitor's
// work area), its outer size, and pointer positions in design pixels.
#pragma once

#include <windows.h>

constexpr UINT kMsgDpiChanged = 0x02E0;  // WM_DPICHANGED, Windows 8.1 and later

// Sets the display scale for a window of these styles about to be created on
// the primary monitor, from the system DPI. Returns the outer rectangle (origin
// 0, 0) around a client area of the scaled frame.
RECT ScaleForNewWindow(DWORD style, DWORD exStyle);
// Takes the window's own DPI (per monitor where Windows tells it) and, when
// it differs from the current scale, rescales and resizes the window in place.
void TakeWindowDpi(HWND window);
// WM_DPICHANGED: the scale for the new DPI (the largest listed one that fits
// the work area of the monitor of the suggested rectangle), the frame and its
// children made anew, and the window moved to the suggested position.
void OnDpiChanged(HWND window, UINT dpi, const RECT* suggested);

// A pointer message's client position as the design position it falls on,
// packed as the message packs it (a position left of or above the client
// area stays negative).
LPARAM DesignPointer(LPARAM clientPointer);
