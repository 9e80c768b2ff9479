// Child controls laid out in design pixels: made at their rectangle and font
// at the display scale, and moved and given the new font when it changes.
#pragma once

#include <windows.h>

// Creates a child window of parent at the design rectangle, with *font (one of
// frame_gdi's fonts, named by its variable so that the font made for a new
// scale is found). Null when the window could not be made.
HWND CreateScaledChild(HWND parent, const wchar_t* windowClass, DWORD style, const RECT& designRect,
                       HFONT* font);
// Moves every live child made above to its rectangle at the current scale and
// sets its font anew (after RescaleFrame).
void RescaleChildren();
