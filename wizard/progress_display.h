// What the progress pages 3, 4, 5 and 11 share: the composition of the page
// (title, subtitle, empty trough, Cancel) and the steady tick that shows the
// step caption and the bar and presents something on every tick.
#pragma once

#include <windows.h>

// Background, title (fontTitle) and subtitle (fontText, which stays selected),
// the empty trough with barLength = 0, and Cancel at position 2 in its normal
// look with the focus.
void ComposeProgressPage(int titleRow, int subtitleRow);

// One steady tick: after a change of progressPos the caption band is refilled,
// the step caption drawn into the textRects row captionRow and the bar length
// recomputed; the bar is drawn on every tick; then the hover step. The whole
// frame is presented after any drawing that needs it, else the progress band.
void ProgressSteadyTick(HWND window, int captionRow);
