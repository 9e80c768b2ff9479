// The space lines of the feature pages (2 and 9): the space the chosen items
// need, and the install drive's free and total space, formatted once for the
// page that draws them and for the accessible object that reads them out.
#pragma once

constexpr int kSpaceLineUnits = 256;

// Formats uiTexts row 31-33 (page 9) or 39-41 (page 2) from the install state
// as drawn now. False (line empty) for another row or a line that does not fit.
bool FormatSpaceLine(int row, wchar_t (&line)[kSpaceLineUnits]);

// Draws the formatted line into the rectangle of its row; a line that does
// not fit its buffer is not drawn.
void DrawSpaceLine(int row);
