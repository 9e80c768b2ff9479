// Hit testing and press handling shared by the wizard pages: the pointer from
// lParam, the Ctrl rule, the control rectangles (both ends included) and the
// capture discipline of a press (down takes the capture, up or a move ends it).
#pragma once

#include <windows.h>

#include <cstdint>

// Client coordinates of a pointer message, read as unsigned 16-bit values, so
// that a position left of or above the client area (reported while the window
// holds the capture) becomes a large number and hits nothing.
struct Pointer {
  uint32_t x;
  uint32_t y;
};
inline Pointer PointerFrom(LPARAM lParam) {
  return Pointer{static_cast<uint32_t>(lParam) & 0xFFFFu,
                 (static_cast<uint32_t>(lParam) >> 16) & 0xFFFFu};
}

// True while Ctrl is held: every page then ignores every key.
inline bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

// Virtual-key codes of the letters the pages react to.
constexpr WPARAM kKeyB = 'B', kKeyC = 'C', kKeyE = 'E', kKeyM = 'M', kKeyN = 'N',
                 kKeyR = 'R', kKeyX = 'X';

inline bool InRange(uint32_t v, uint32_t first, uint32_t last) {
  return v >= first && v <= last;
}

// Bottom strip: y 393-413, positions 0, 1, 2 at x 333, 422, 511 (85 wide).
// Position 3 is the wide button of the install folder page, 118 x 21 at (478, 290).
constexpr uint32_t kStripTop = 393, kStripBottom = 413;
constexpr uint32_t kButtonLeft[4] = {333, 422, 511, 478};
constexpr uint32_t kButtonTop[4] = {393, 393, 393, 290};
constexpr uint32_t kButtonRight[4] = {417, 506, 595, 595};

// Position 0-3 of the button under the pointer, or -1. Only the positions
// whose bit is set in positionMask (bit p = position p) are tested, so a page
// knows only the buttons it shows.
int ButtonAt(Pointer p, unsigned positionMask);
// True when the pointer lies on button position (0-3).
bool InsideButton(int position, Pointer p);
// Hover id (2, 4, 6, 8) of button position p, and its pressed id.
inline int ButtonHoverId(int position) { return 2 + 2 * position; }
inline int ButtonPressedId(int position) { return 3 + 2 * position; }

// Feature check boxes of pages 2 and 9: 11 x 11 at x 40-50, y 130, 160, 190.
// Returns 0-2 or -1.
int CheckBoxAt(Pointer p);

// A press: hoverId = pressedId and the main window takes the mouse capture.
void BeginPress(HWND window, int pressedId);

// Ends a press on button release. Returns the pressed id that was held when
// the window had the capture (releasing it), else 0; hoverId is 0 afterwards
// in every case. The caller performs the action when the returned id is the
// pressed id of the control under the pointer.
int EndPress(HWND window);

// The pointer-move form of every page but the start page: nothing while no
// press is held; otherwise the press is dropped (capture released) and hoverId
// becomes hoverIdAt(pointer), 0 when nothing is under it.
void CaptureFormMouseMove(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer));

// Hover id of the bottom buttons in positionMask under the pointer, or 0.
int ButtonHoverAt(Pointer p, unsigned positionMask);
