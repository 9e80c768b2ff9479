// The current display scale and the conversions between design and client
// pixels. Integer arithmetic throughout, matching draw_skin.py's rounding so
// that positions and picture sizes agree to the pixel.
#include "display_scale.h"

#include "shell_state.h"
#include "skin_scaled.h"

namespace {

int scalePercent = 100;

// round(v x percent / 100), halves away from zero.
int ScaleAt(int v, int percent) {
  const int product = v * percent;
  return product >= 0 ? (product + 50) / 100 : -((-product + 50) / 100);
}

}  // namespace

int ScalePercent() { return scalePercent; }
int ScaleDpi() { return scalePercent * 96 / 100; }

bool SetDisplayScale(int percent) {
  bool listed = false;
  for (int p : kListedScales) listed = listed || p == percent;
  if (!listed || !LoadSkinScale(percent)) return false;
  scalePercent = percent;
  return true;
}

int NearestListedScale(int dpi) {
  int best = kListedScales[0];
  for (int p : kListedScales) {
    // |p - dpi x 100 / 96| compared in units of 1/96 percent.
    const int d = p * 96 - dpi * 100, bestD = best * 96 - dpi * 100;
    if ((d < 0 ? -d : d) < (bestD < 0 ? -bestD : bestD)) best = p;
  }
  return best;
}

int FittingScale(int wanted, int availableWidth, int availableHeight, int extraWidth,
                 int extraHeight) {
  int chosen = kListedScales[0];
  for (int p : kListedScales) {
    if (p > wanted) break;
    if (ScaleAt(kFrameWidth, p) + extraWidth <= availableWidth &&
        ScaleAt(kFrameHeight, p) + extraHeight <= availableHeight)
      chosen = p;
  }
  return chosen;
}

int ScaleLength(int v) { return ScaleAt(v, scalePercent); }
int ClientWidth() { return ScaleLength(kFrameWidth); }
int ClientHeight() { return ScaleLength(kFrameHeight); }

int DesignCoord(int v) {
  // A first guess by division, then the one step either way that rounding
  // can leave.
  int d = v * 100 / scalePercent;
  if (v < 0 && d * scalePercent != v * 100) --d;
  while (ScaleLength(d + 1) <= v) ++d;
  while (ScaleLength(d) > v) --d;
  return d;
}
