// Pixel drawing into the back buffer: background rows, skin pictures copied
// word for word, control looks with the focus hand-over, the progress trough
// and bar, and the hover step of the steady tick. Callers give design
// positions; the pixels land at the display scale, with the pictures drawn for
// it. No operating-system calls.
#include "skin_draw.h"

#include <array>
#include <cstring>

#include "display_scale.h"
#include "frame_replay.h"
#include "shell_state.h"
#include "skin_pictures.h"
#include "skin_scaled.h"
#include "ui_tables.h"

namespace {

constexpr uint32_t Grey(uint32_t v) { return (v << 16) | (v << 8) | v; }

// One colour per frame row: a dark-to-light grey header (0x74 at row 0 rising
// evenly to 0xE6 at row 56), then the light page with two etched lines.
constexpr std::array<uint32_t, kFrameHeight> MakeBackgroundRows() {
  std::array<uint32_t, kFrameHeight> rows{};
  for (int y = 0; y < kFrameHeight; ++y) {
    uint32_t c = 0xF0F0F0;
    if (y < 56) {
      c = Grey(0x74 + (0xE6 - 0x74) * static_cast<uint32_t>(y) / 56);
    } else if (y < 64) {
      c = 0xE6E6E6;
    } else if (y == 66 || y == 376) {
      c = 0xA0A0A0;
    } else if (y == 67 || y == 377) {
      c = 0xFFFFFF;
    }
    rows[y] = c;
  }
  return rows;
}
constexpr std::array<uint32_t, kFrameHeight> kBackgroundRows = MakeBackgroundRows();

constexpr int kStatusBandTop = 278;
constexpr int kStatusBandBottom = 299;

constexpr int kHeaderRows = 56;
constexpr int kTroughX = 34;
constexpr int kTroughWidth = 589;
constexpr int kBarX = 35;
constexpr int kBarRows = 24;
constexpr uint32_t kBarMax = 588;
constexpr int kTroughCap = 9;                 // left and right cap columns
constexpr int kFillWidth = 174;
constexpr int kFillEnd = 23;                  // columns of each rounded end

// Copies the picture drawn at the current scale for a w x h design picture to
// design position (x, y). Positions come from the constant tables; a picture
// that would leave the frame is not drawn at all.
void Blit(const uint32_t* picture, int x, int y, int w, int h) {
  if (backBuffer == nullptr || picture == nullptr) return;
  const ScaledPicture p = PictureAtScale(picture, w, h);
  const int frameWidth = ClientWidth();
  const int dx = x, dy = y;
  x = ScaleLength(x);
  y = ScaleLength(y);
  if (x < 0 || y < 0 || x + p.width > frameWidth || y + p.height > ClientHeight()) return;
  RecordDrawn({DrawnStep::kPicture, 0, 0, picture, w, h, 0, {}, dx, dy, dx + w, dy + h});
  for (int r = 0; r < p.height; ++r) {
    std::memcpy(backBuffer + (y + r) * frameWidth + x, p.pixels + r * p.width,
                p.width * sizeof(uint32_t));
  }
}

uint32_t* Row(int y) { return backBuffer + y * ClientWidth(); }

// Colour of client row y: the header gradient computed anew for every row at
// any scale, below it the colour of the design row that holds the row.
uint32_t ClientRowColour(int y) {
  if (y < ScaleLength(kHeaderRows))
    return Grey(0x74 + (0xE6 - 0x74) * static_cast<uint32_t>(y) * 100 /
                           (kHeaderRows * static_cast<uint32_t>(ScalePercent())));
  return BackgroundColour(DesignCoord(y));
}

// Button position (0-3) named by a button id, or -1.
int ButtonPosition(int id) { return (id >= 2 && id <= 9) ? id / 2 - 1 : -1; }

// Option number (0-2) named by an option id, or -1: ids 10-15 are the
// three-way group, 16-19 and 20-23 the two two-way groups.
int OptionNumber(int id) {
  if (id >= 10 && id <= 15) return (id - 10) / 2;
  if (id >= 16 && id <= 19) return (id - 16) / 2;
  if (id >= 20 && id <= 23) return (id - 20) / 2;
  return -1;
}

}  // namespace

uint32_t BackgroundColour(int y) {
  return (y >= 0 && y < kFrameHeight) ? kBackgroundRows[y] : kBackgroundRows[kFrameHeight - 1];
}

void FillRows(int firstRow, int lastRow) {
  if (backBuffer == nullptr) return;
  if (firstRow < 0) firstRow = 0;
  if (lastRow >= kFrameHeight) lastRow = kFrameHeight - 1;
  RecordDrawn({DrawnStep::kRows, firstRow, lastRow, nullptr, 0, 0, 0, {}, 0, firstRow, kFrameWidth,
               lastRow + 1});
  const int frameWidth = ClientWidth();
  for (int y = ScaleLength(firstRow); y < ScaleLength(lastRow + 1); ++y) {
    uint32_t* row = Row(y);
    const uint32_t c = ClientRowColour(y);
    for (int x = 0; x < frameWidth; ++x) row[x] = c;
  }
}

void DrawPicture(const uint32_t* picture, int x, int y, int w, int h) { Blit(picture, x, y, w, h); }

void FillBackground() {
  repaintFlag = 1;
  ForgetDrawn();
  FillRows(0, kFrameHeight - 1);
}

void FillStatusBand() { FillRows(kStatusBandTop, kStatusBandBottom); }

void DrawOptionIcons() {
  static const int kIconY[3] = {143, 233, 323};
  for (int i = 0; i < 3; ++i) Blit(skin::optionIcons[i], 62, kIconY[i], 39, 40);
}

void DrawButtonImage(int row) {
  if (row < 0 || row >= kButtonImageRows) return;
  const ButtonImage& b = buttonImages[row];
  Blit(b.picture, static_cast<int>(b.x), static_cast<int>(b.y), static_cast<int>(b.width), kButtonHeight);
}

void DrawButtonUnfocused(int position) {
  if (position < 0 || position > 3) return;
  DrawButtonImage(buttonImageBase[position]);
}

void DrawOptionMark(int row) {
  if (row < 0 || row >= kOptionMarkRows) return;
  const MarkImage& m = optionMarks[row];
  Blit(m.picture, static_cast<int>(m.x), static_cast<int>(m.y), 16, 16);
}

void DrawCheckMark(int row) {
  if (row < 0 || row >= kCheckMarkRows) return;
  const MarkImage& m = checkMarks[row];
  Blit(m.picture, static_cast<int>(m.x), static_cast<int>(m.y), 11, 11);
}

void DrawControlNormal(int id) {
  const int p = ButtonPosition(id);
  if (p >= 0) {
    DrawButtonImage(buttonImageBase[p] + (focusButton == p ? 1 : 0));
    return;
  }
  const int o = OptionNumber(id);
  if (o >= 0) DrawOptionMark(optionImageBase[o] + (selectedOption == o ? 3 : 0));
}

void DrawControlActive(int id) {
  const bool pressed = (id & 1) != 0;
  const int p = ButtonPosition(id);
  if (p >= 0) {
    if (pressed) {
      // The pressed button takes the focus look from whichever had it.
      if (focusButton != p) {
        DrawButtonUnfocused(focusButton);
        focusButton = p;
      }
      DrawButtonImage(buttonImageBase[p] + 3);
    } else {
      DrawButtonImage(buttonImageBase[p] + 2);
    }
    return;
  }
  const int o = OptionNumber(id);
  if (o >= 0) {
    const int look = (selectedOption == o ? 3 : 0) + (pressed ? 2 : 1);
    DrawOptionMark(optionImageBase[o] + look);
  }
}

// The trough and bar are laid out in client pixels from the pictures of the
// current scale: the trough's caps around its one stretch column, the fill's
// two rounded ends of round(23 s) columns around its motif.
void DrawProgressTrough(int y) {
  const ScaledPicture t = PictureAtScale(skin::progressTrough, 2 * kTroughCap + 1, kBarRows);
  const int cap = t.width / 2;
  const int top = ScaleLength(y);
  const int stretch = ScaleLength(kTroughX + kTroughWidth) - ScaleLength(kTroughX) - 2 * cap;
  if (backBuffer == nullptr || y < 0 || top + t.height > ClientHeight()) return;
  RecordDrawn({DrawnStep::kTrough, y, 0, nullptr, 0, 0, 0, {}, kTroughX, y, kTroughX + kTroughWidth,
               y + kBarRows});
  for (int r = 0; r < t.height; ++r) {
    const uint32_t* src = t.pixels + r * t.width;
    uint32_t* dst = Row(top + r) + ScaleLength(kTroughX);
    std::memcpy(dst, src, cap * sizeof(uint32_t));
    dst += cap;
    for (int i = 0; i < stretch; ++i) *dst++ = src[cap];
    std::memcpy(dst, src + cap + 1, cap * sizeof(uint32_t));
  }
}

void DrawProgressBar(int y, uint32_t width) {
  const ScaledPicture f = PictureAtScale(skin::progressFill, kFillWidth, kBarRows);
  const int top = ScaleLength(y);
  if (width == 0 || backBuffer == nullptr || y < 0 || top + f.height > ClientHeight()) return;
  if (width > kBarMax) width = kBarMax;
  RecordDrawn({DrawnStep::kBar, y, static_cast<int>(width), nullptr, 0, 0, 0, {}, kBarX, y,
               kBarX + static_cast<int>(width), y + kBarRows});
  const int w = ScaleLength(kBarX + static_cast<int>(width)) - ScaleLength(kBarX);
  const int fillWidth = f.width;
  const int end = ScaleLength(kFillEnd);            // columns of each rounded end
  const int stretchColumn = end - 1;
  const int motifWidth = fillWidth - 2 * end;       // columns end .. fillWidth - end - 1
  const int rightFirst = fillWidth - end;
  for (int r = 0; r < f.height; ++r) {
    const uint32_t* src = f.pixels + r * fillWidth;
    uint32_t* dst = Row(top + r) + ScaleLength(kBarX);
    if (w < 2 * end) {
      // Too short for both ends: the front half of the left end and the back
      // half of the right end.
      const int left = (w + 1) / 2;
      const int right = w / 2;
      std::memcpy(dst, src, left * sizeof(uint32_t));
      std::memcpy(dst + left, src + fillWidth - right, right * sizeof(uint32_t));
    } else if (w <= fillWidth) {
      // Both ends, and as much of the motif as fits between them.
      std::memcpy(dst, src, end * sizeof(uint32_t));
      std::memcpy(dst + end, src + end, (w - 2 * end) * sizeof(uint32_t));
      std::memcpy(dst + end + (w - 2 * end), src + rightFirst, end * sizeof(uint32_t));
    } else {
      // Longer than the picture: stretch the left end's last column on both
      // sides so that the motif stays in the middle of the bar.
      const int c = w - (fillWidth - 1);
      const int h = c / 2;
      const uint32_t stretch = src[stretchColumn];
      std::memcpy(dst, src, stretchColumn * sizeof(uint32_t));
      dst += stretchColumn;
      for (int i = 0; i < c - h; ++i) *dst++ = stretch;
      std::memcpy(dst, src + end, motifWidth * sizeof(uint32_t));
      dst += motifWidth;
      for (int i = 0; i < h; ++i) *dst++ = stretch;
      std::memcpy(dst, src + rightFirst, end * sizeof(uint32_t));
    }
  }
}

// pos x 588 / total, rounded down, exact for every 64-bit pos and total
// without a 128-bit type (the 32-bit build has none): the product is built
// bit by bit from the top bit of 588 as quotient and remainder modulo total,
// so no intermediate value exceeds total. A position past the total is a full
// bar, so the result never exceeds 588.
uint32_t BarLengthFor(uint64_t pos, uint64_t total) {
  if (total == 0) return 0;
  if (pos >= total) return kBarMax;
  uint32_t q = 0;
  uint64_t r = 0;  // q * total + r == pos * (bits of 588 seen so far)
  for (int bit = 9; bit >= 0; --bit) {
    q <<= 1;
    if (r >= total - r) {
      r -= total - r;
      ++q;
    } else {
      r += r;
    }
    if ((kBarMax >> bit) & 1) {
      if (r >= total - pos) {
        r -= total - pos;
        ++q;
      } else {
        r += pos;
      }
    }
  }
  return q;
}

bool HoverStep() {
  if (hoverId == drawnHoverId) return false;
  if (hoverId != 0) {
    lastHoverId = hoverId;
    // Different controls (not just hover and press of one): restore the old one.
    if ((hoverId ^ drawnHoverId) > 1) DrawControlNormal(drawnHoverId);
    DrawControlActive(hoverId);
  } else {
    DrawControlNormal(lastHoverId);
  }
  drawnHoverId = hoverId;
  return true;
}
