// The display scale of the window: every page is laid out in design pixels of
// the 664 x 436 frame and drawn at this scale. Owns the current scale, the
// conversions between design and client pixels, and the choice of a scale.
#pragma once

// The scales the skin pictures are drawn at, in percent, smallest first.
constexpr int kListedScales[] = {100, 125, 150, 175, 200, 225, 250, 300};

// The current scale in percent (100 until set) and the DPI it stands for.
int ScalePercent();
int ScaleDpi();

// Makes percent (one of kListedScales) the current scale and loads the skin
// pictures drawn for it. False, changing nothing, for a scale not listed.
bool SetDisplayScale(int percent);

// The listed scale nearest to dpi / 96 (a tie goes to the smaller one).
int NearestListedScale(int dpi);
// The largest listed scale, not above wanted, whose frame of
// round(664 s) + extraWidth by round(436 s) + extraHeight fits into the
// available area; 100 when none fits.
int FittingScale(int wanted, int availableWidth, int availableHeight, int extraWidth,
                 int extraHeight);

// A design length or position at the current scale: round(v x s).
int ScaleLength(int v);
// The size of the client area at the current scale.
int ClientWidth();
int ClientHeight();
// The design pixel that holds client pixel v: the d with
// ScaleLength(d) <= v < ScaleLength(d + 1), for negative v too.
int DesignCoord(int v);

// A design rectangle (any type with left, top, right, bottom, such as RECT or
// TextRect) as client pixels: every edge scaled.
template <class Rect>
Rect ScaleRect(const Rect& r) {
  Rect out = r;
  out.left = ScaleLength(r.left);
  out.top = ScaleLength(r.top);
  out.right = ScaleLength(r.right);
  out.bottom = ScaleLength(r.bottom);
  return out;
}
