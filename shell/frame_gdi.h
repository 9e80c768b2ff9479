// The GDI side of the frame: the DIB section behind backBuffer, its memory DC,
// the four fonts, text drawing and presentation to the window.
#pragma once

#include <windows.h>

#include "ui_tables.h"

extern HDC backBufferDC;
extern HFONT fontTitle;     // 32
extern HFONT fontSubtitle;  // 24
extern HFONT fontText;      // 17
extern HFONT fontSmall;     // 13

// Creates the DIB section, memory DC and fonts at the display scale (WM_CREATE,
// and anew when the scale changes). False when the back buffer could not be made.
bool CreateFrameResources(HWND window);
// Deletes fonts, DC and DIB section, each only if it exists (WM_DESTROY).
void DestroyFrameResources();
// After a change of display scale: the frame resources made anew at the new
// scale and the current page drawn into them again. False when the back
// buffer could not be made (then there is none, as after a failed creation).
bool RescaleFrame(HWND window);

// One line, left aligned, vertically centred, clipped to rect (design pixels).
void DrawTextLine(HFONT font, const wchar_t* text, const TextRect& rect);
// Text row k of uiTexts into rectangle row k.
void DrawTextRow(HFONT font, int row);

void PresentFrame(HWND window);
void PresentProgressBand(HWND window);
// Presents the whole frame except the rectangle of a child control (design
// pixels), then lets the control repaint itself (pages 6 and 8).
void PresentFrameAround(HWND window, const RECT& hole, HWND child);
