// Pixel drawing into the back buffer: background rows, skin pictures copied
// word for word, control looks with the focus hand-over, the progress trough
// and bar, and the hover step of the steady tick. No operating-system calls.
#include "skin_draw.h"

#include <array>
#include <cstring>

#include "shell_state.h"
#include "skin_pictures.h"
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

constexpr int kTroughX = 34;
constexpr int kBarX = 35;
constexpr int kBarRows = 24;
constexpr uint32_t kBarMax = 588;
constexpr int kTroughCap = 9;                 // left and right cap columns
constexpr int kTroughStretch = 589 - 2 * kTroughCap;
constexpr int kFillWidth = 174;
constexpr int kFillEnd = 23;                  // columns of each rounded end
constexpr int kFillStretchColumn = 22;
constexpr int kFillMotifFirst = 23;
constexpr int kFillMotifWidth = 128;          // columns 23-150
constexpr int kFillRightFirst = 151;

// Copies a w x h picture to (x, y). Positions come from the constant tables;
// a picture that would leave the frame is not drawn at all.
void Blit(const uint32_t* picture, int x, int y, int w, int h) {
  if (backBuffer == nullptr || picture == nullptr) return;
  if (x < 0 || y < 0 || x + w > kFrameWidth || y + h > kFrameHeight) return;
  for (int r = 0; r < h; ++r) {
    std::memcpy(backBuffer + (y + r) * kFrameWidth + x, picture + r * w, w * sizeof(uint32_t));
  }
}

uint32_t* Row(int y) { return backBuffer + y * kFrameWidth; }

bool BarRowsInside(int y) { return backBuffer != nullptr && y >= 0 && y + kBarRows <= kFrameHeight; }

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
  for (int y = firstRow; y <= lastRow; ++y) {
    uint32_t* row = Row(y);
    const uint32_t c = kBackgroundRows[y];
    for (int x = 0; x < kFrameWidth; ++x) row[x] = c;
  }
}

void FillBackground() {
  repaintFlag = 1;
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

void DrawProgressTrough(int y) {
  if (!BarRowsInside(y)) return;
  for (int r = 0; r < kBarRows; ++r) {
    const uint32_t* src = skin::progressTrough + r * 19;
    uint32_t* dst = Row(y + r) + kTroughX;
    std::memcpy(dst, src, kTroughCap * sizeof(uint32_t));
    dst += kTroughCap;
    for (int i = 0; i < kTroughStretch; ++i) *dst++ = src[kTroughCap];
    std::memcpy(dst, src + kTroughCap + 1, kTroughCap * sizeof(uint32_t));
  }
}

void DrawProgressBar(int y, uint32_t width) {
  if (width == 0 || !BarRowsInside(y)) return;
  if (width > kBarMax) width = kBarMax;
  const int w = static_cast<int>(width);
  for (int r = 0; r < kBarRows; ++r) {
    const uint32_t* src = skin::progressFill + r * kFillWidth;
    uint32_t* dst = Row(y + r) + kBarX;
    if (w <= 45) {
      // Too short for both ends: the front half of the left end and the back
      // half of the right end.
      const int left = (w + 1) / 2;
      const int right = w / 2;
      std::memcpy(dst, src, left * sizeof(uint32_t));
      std::memcpy(dst + left, src + kFillWidth - right, right * sizeof(uint32_t));
    } else if (w <= kFillWidth) {
      // Both ends, and as much of the motif as fits between them.
      std::memcpy(dst, src, kFillEnd * sizeof(uint32_t));
      std::memcpy(dst + kFillEnd, src + kFillMotifFirst, (w - 46) * sizeof(uint32_t));
      std::memcpy(dst + kFillEnd + (w - 46), src + kFillRightFirst, kFillEnd * sizeof(uint32_t));
    } else {
      // Longer than the picture: stretch column 22 on both sides so that the
      // motif stays in the middle of the bar.
      const int c = w - 173;
      const int h = c / 2;
      const uint32_t stretch = src[kFillStretchColumn];
      std::memcpy(dst, src, kFillStretchColumn * sizeof(uint32_t));
      dst += kFillStretchColumn;
      for (int i = 0; i < c - h; ++i) *dst++ = stretch;
      std::memcpy(dst, src + kFillMotifFirst, kFillMotifWidth * sizeof(uint32_t));
      dst += kFillMotifWidth;
      for (int i = 0; i < h; ++i) *dst++ = stretch;
      std::memcpy(dst, src + kFillRightFirst, kFillEnd * sizeof(uint32_t));
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
