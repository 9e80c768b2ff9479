// Hit testing and press handling shared by the wizard pages: the pointer from
// lParam, the Ctrl rule, hit tests over the pages' control tables (both ends
// included), the capture discipline of a press (down takes the capture, up or a move ends it)
// and the pieces of enter and steady tick handlers that the pages share.
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

// Position 0-3 of the button under the pointer, or -1: bottom positions 0-2
// (Back, Next, the right button), 3 the wide button of the install folder
// page. Only the positions whose bit is set in positionMask (bit p = position
// p) are tested.
int ButtonAt(Pointer p, unsigned positionMask);
// Hover id (2, 4, 6, 8) of button position p, and its pressed id.
inline int ButtonHoverId(int position) { return 2 + 2 * position; }
inline int ButtonPressedId(int position) { return 3 + 2 * position; }

// Feature check boxes of pages 2 and 9: 11 x 11 at x 40-50, y 130, 160, 190.
// Returns 0-2 or -1.
int CheckBoxAt(Pointer p);

// Hover id of the option or button of the current page under the pointer (a
// control of its table that takes input now), 0 for none; check boxes have
// no hover id.
int HoverIdOnPage(Pointer p);
// Pressed id of the control of the current page under the pointer: a check
// box's own press id, an option's or button's hover id + 1; 0 for none.
int PressIdOnPage(Pointer p);

// Virtual-key codes of the letters the pages' tables name.
constexpr WPARAM kKeyB = 'B', kKeyC = 'C', kKeyE = 'E', kKeyM = 'M', kKeyN = 'N',
                 kKeyR = 'R', kKeyX = 'X';

// Pressed id of the control of the current page whose letter (virtual-key
// code 'A'-'Z') key is, as a click on it would press it; 0 when no control
// that takes input now answers that key. The caller ignores keys while Ctrl
// is held.
int KeyPressId(WPARAM key);

// The window rectangle of the EDIT box of page 6 or 8 (client coordinates,
// right and bottom exclusive), from the page's table.
RECT EditBoxRect(uint32_t page);

// A press: hoverId = pressedId and the main window takes the mouse capture.
void BeginPress(HWND window, int pressedId);

// Ends a press on button release. Returns the pressed id that was held when
// the window had the capture (releasing it; hoverId stays that id until the
// window procedure clears it after the button-up handler), else 0 with
// hoverId 0. The caller performs the action when the returned id is the
// pressed id of the control under the pointer.
int EndPress(HWND window);

// The pointer-move form of every page but the start page: nothing while no
// press is held; otherwise the press is dropped (capture released) and hoverId
// becomes hoverIdAt(pointer), 0 when nothing is under it.
void CaptureFormMouseMove(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer));

// Button down on a page whose controls all have hover ids: presses the control
// hoverIdAt finds under the pointer (its pressed id = hover id + 1), if any.
void PressControlAt(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer));
// Button up on such a page: ends the press (EndPress) and returns the pressed
// id to act on, the held one when the pointer is still on that control; else 0.
int ReleasedControl(HWND window, LPARAM lParam, int (*hoverIdAt)(Pointer));
// The same for a page whose pressIdAt names pressed ids directly (check boxes
// have no hover id).
int ReleasedPress(HWND window, LPARAM lParam, int (*pressIdAt)(Pointer));

// The three feature check boxes showing bits 0-2 of flags.
void DrawFeatureCheckBoxes(uint32_t flags);
// The action of a released check box press (24-26): toggles featureFlags bit
// 0-2. False, doing nothing, for any other id.
bool ToggleFeatureCheck(int pressedId);

// Back, Next (with the focus) and Exit in their normal looks, positions 0-2.
void DrawBackNextExit();

// End of every enter handler: no hover or press, and tick runs from now on.
void EnterSteadyTick(void (*tick)(HWND));

// Steps 2 and 3 of a steady tick: the hover step; true when it drew or
// repaintFlag was set, and repaintFlag is then cleared, so that the caller
// presents the whole frame.
bool HoverStepAndRepaintDue();
