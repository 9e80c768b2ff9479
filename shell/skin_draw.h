// Pixel drawing into the back buffer: row fills, skin pictures, control looks,
// the progress trough and bar, and the shared hover step. Portable: plain word
// copies, no operating-system calls; tested on a bare 664 x 436 buffer. Every
// position is in design pixels; the buffer is the frame at the display scale.
#pragma once

#include <cstdint>

// Background colour of row y (0-435).
uint32_t BackgroundColour(int y);

void FillBackground();              // whole frame; sets repaintFlag = 1
void FillStatusBand();              // rows 278-299 (the required-space line)
void FillRows(int firstRow, int lastRow);  // full-width rows with their colours
void DrawOptionIcons();             // the three 39 x 40 icons of page 1
// A w x h design picture of skin_pictures.h at design position (x, y).
void DrawPicture(const uint32_t* picture, int x, int y, int w, int h);
void DrawButtonImage(int row);      // a buttonImages row
void DrawButtonUnfocused(int position);
void DrawOptionMark(int row);       // an optionMarks row
void DrawCheckMark(int row);        // a checkMarks row
void DrawControlNormal(int id);     // ids outside 2-23 draw nothing
void DrawControlActive(int id);     // hover (even) or pressed (odd) look
void DrawProgressTrough(int y);
void DrawProgressBar(int y, uint32_t width);

// Bar length for a position and total: pos x 588 / total rounded down, exact
// for all 64-bit values; 0 for total 0, and 588 for a position at or past the total.
uint32_t BarLengthFor(uint64_t pos, uint64_t total);

// Step 2 of every steady tick: redraws the control looks when hoverId changed.
// Returns true when it drew.
bool HoverStep();
