// The composition and steady tick shared by the progress pages (3, 4, 5, 11).
#include "progress_display.h"

#include "controls.h"

#include "engine/install_state.h"
#include "shell/frame_gdi.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/ui_tables.h"

namespace {

constexpr int kBarTop = 247;
constexpr int kCaptionBandTop = 180;
constexpr int kCaptionBandBottom = 219;
constexpr int kCancelPictures = 20;

}  // namespace

void ComposeProgressPage(int titleRow, int subtitleRow) {
  FillBackground();
  DrawTextRow(fontTitle, titleRow);
  DrawTextRow(fontText, subtitleRow);
  barLength = 0;
  DrawProgressTrough(kBarTop);
  buttonImageBase[2] = kCancelPictures;
  DrawButtonImage(kCancelPictures);  // Cancel, normal
  focusButton = 2;
}

void ProgressSteadyTick(HWND window, int captionRow) {
  const uint64_t pos = installState.progressPos.load();
  if (pos != drawnProgressPos) {
    drawnProgressPos = pos;
    repaintFlag = 1;
    FillRows(kCaptionBandTop, kCaptionBandBottom);
    // The operation writes the caption before it advances the position, so
    // the caption read now belongs to this position (or a later one).
    wchar_t caption[kPathUnits];
    CopyStepCaption(caption);
    DrawTextLine(fontText, caption, textRects[captionRow]);
    barLength = BarLengthFor(pos, installState.progressTotal.load());
  }
  DrawProgressBar(kBarTop, barLength);
  // Something reaches the screen on every tick: the whole frame after a
  // change, otherwise the progress band.
  if (HoverStepAndRepaintDue()) {
    PresentFrame(window);
  } else {
    PresentProgressBand(window);
  }
}
