// The pixel rules of the renderer on a bare back buffer: background rows,
// progress trough and bar, control looks with the focus hand-over, the hover
// step and the bar length.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "shell/skin_draw.h"
#include "shell/skin_pictures.h"
#include "shell/ui_tables.h"
#include "skin_test_util.h"

namespace {

constexpr uint32_t kColourKey = 0xCFCDCF;

// ---------------------------------------------------------------- background

using Background = FrameFixture;

TEST_F(Background, FillsEveryRowWithItsColourAndAsksForAPresent) {
  FillBackground();
  EXPECT_EQ(repaintFlag, 1);
  struct Band { int first, last; uint32_t colour; };
  const Band bands[] = {{0, 0, 0x747474},   {56, 63, 0xE6E6E6}, {64, 65, 0xF0F0F0},
                        {66, 66, 0xA0A0A0}, {67, 67, 0xFFFFFF}, {68, 375, 0xF0F0F0},
                        {376, 376, 0xA0A0A0}, {377, 377, 0xFFFFFF}, {378, 435, 0xF0F0F0}};
  for (const Band& b : bands)
    for (int y = b.first; y <= b.last; ++y)
      for (int x : {0, 331, 663}) EXPECT_EQ(At(x, y), b.colour) << x << "," << y;
}

TEST_F(Background, HeaderIsAGreyGradientRisingRowByRow) {
  FillBackground();
  for (int y = 1; y <= 56; ++y) {
    const uint32_t c = At(0, y), prev = At(0, y - 1);
    EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF) << y;
    EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF) << y;
    EXPECT_GE(c & 0xFF, prev & 0xFF) << y;
    EXPECT_LE((c & 0xFF) - (prev & 0xFF), 3u) << "a visible step at row " << y;
  }
  for (int y = 0; y < kFrameHeight; ++y) {
    EXPECT_EQ(BackgroundColour(y), At(100, y));
    EXPECT_NE(BackgroundColour(y), kColourKey);
  }
}

TEST_F(Background, StatusBandRefillsOnlyItsRowsAndLeavesTheRepaintFlag) {
  repaintFlag = 0;
  FillStatusBand();
  EXPECT_EQ(repaintFlag, 0);
  EXPECT_EQ(CountChanged(), (299 - 278 + 1) * kFrameWidth);
  EXPECT_EQ(At(0, 277), kUntouched);
  EXPECT_EQ(At(0, 278), 0xF0F0F0u);
  EXPECT_EQ(At(663, 299), 0xF0F0F0u);
  EXPECT_EQ(At(0, 300), kUntouched);
}

// ---------------------------------------------------------------- progress

using Progress = FrameFixture;

constexpr int kBarY = 247;

TEST_F(Progress, TroughStretchesItsMiddleColumnBetweenTheCaps) {
  DrawProgressTrough(kBarY);
  const uint32_t* t = skin::progressTrough;
  for (int r = 0; r < 24; ++r) {
    for (int c = 0; c < 9; ++c) {
      EXPECT_EQ(At(34 + c, kBarY + r), t[r * 19 + c]);
      EXPECT_EQ(At(614 + c, kBarY + r), t[r * 19 + 10 + c]);
    }
    for (int x = 43; x <= 613; ++x) ASSERT_EQ(At(x, kBarY + r), t[r * 19 + 9]) << x;
  }
  EXPECT_EQ(CountChanged(), 589 * 24);
  EXPECT_EQ(At(33, kBarY), kUntouched);
  EXPECT_EQ(At(623, kBarY), kUntouched);
}

// A run of bar columns: `count` frame columns from x that show fill column
// `src` onwards, or (stretch) fill column 22 repeated.
struct BarRun { int x, src, count; bool stretch; };
struct BarCase { uint32_t width; std::vector<BarRun> runs; };

TEST_F(Progress, BarColumnsFollowTheThreeWidthRegimes) {
  const BarCase cases[] = {
      {0, {}},
      {1, {{35, 0, 1, false}}},
      {2, {{35, 0, 1, false}, {36, 173, 1, false}}},
      {45, {{35, 0, 23, false}, {58, 152, 22, false}}},
      {46, {{35, 0, 23, false}, {58, 151, 23, false}}},
      {100, {{35, 0, 23, false}, {58, 23, 54, false}, {112, 151, 23, false}}},
      {174, {{35, 0, 174, false}}},
      {175, {{35, 0, 22, false}, {57, 22, 1, true}, {58, 23, 128, false}, {186, 22, 1, true},
             {187, 151, 23, false}}},
      {176, {{35, 0, 22, false}, {57, 22, 2, true}, {59, 23, 128, false}, {187, 22, 1, true},
             {188, 151, 23, false}}},
      {588, {{35, 0, 22, false}, {57, 22, 208, true}, {265, 23, 128, false}, {393, 22, 207, true},
             {600, 151, 23, false}}},
      {589, {{35, 0, 22, false}, {57, 22, 208, true}, {265, 23, 128, false}, {393, 22, 207, true},
             {600, 151, 23, false}}},
      {0xFFFFFFFFu, {{35, 0, 22, false}, {57, 22, 208, true}, {265, 23, 128, false},
                     {393, 22, 207, true}, {600, 151, 23, false}}},
  };
  for (const BarCase& bc : cases) {
    Clear();
    DrawProgressBar(kBarY, bc.width);
    int drawn = 0;
    for (const BarRun& run : bc.runs) {
      for (int i = 0; i < run.count; ++i) {
        const int col = run.stretch ? run.src : run.src + i;
        for (int r = 0; r < 24; ++r)
          ASSERT_EQ(At(run.x + i, kBarY + r), skin::progressFill[r * 174 + col])
              << "width " << bc.width << " x " << run.x + i << " row " << r;
      }
      drawn += run.count;
    }
    EXPECT_EQ(CountChanged(), drawn * 24) << "width " << bc.width;
    EXPECT_LE(drawn, 588);
    EXPECT_EQ(At(34, kBarY), kUntouched);
  }
}

TEST_F(Progress, BarLongerThanThePictureKeepsTheMotifCentred) {
  for (uint32_t w = 175; w <= 588; w += 37) {
    Clear();
    DrawProgressBar(kBarY, w);
    // Find the motif's first column (fill column 23) on a middle row.
    const int r = 12;
    int motif = -1;
    for (int x = 35; x < 35 + static_cast<int>(w) && motif < 0; ++x) {
      bool match = true;
      for (int c = 0; c < 128 && match; ++c) match = At(x + c, kBarY + r) == skin::progressFill[r * 174 + 23 + c];
      if (match) motif = x;
    }
    ASSERT_GE(motif, 0) << w;
    const int before = motif - 35 - 22, after = (35 + static_cast<int>(w) - 23) - (motif + 128);
    EXPECT_TRUE(before == after || before == after + 1) << w << ": " << before << " / " << after;
  }
}

TEST_F(Progress, BarOutsideTheFrameDrawsNothing) {
  DrawProgressBar(kFrameHeight - 23, 100);
  DrawProgressTrough(-1);
  EXPECT_EQ(CountChanged(), 0);
}

// Bar length: pos x 588 / total rounded down.
struct LengthCase { uint64_t pos, total; uint32_t length; };

TEST(BarLength, EdgeValues) {
  const uint64_t max = std::numeric_limits<uint64_t>::max();
  const LengthCase cases[] = {
      {0, 0, 0},          {12345, 0, 0},        {0, 1, 0},
      {1, 1, 588},        {1, 2, 294},          {2, 3, 392},
      {1, 588, 1},        {1, 589, 0},          {587, 588, 587},
      {max - 1, max, 587}, {max / 2, max, 293}, {uint64_t{1} << 62, uint64_t{1} << 63, 294},
      {max, max, 588},    {5, 4, 588},          {max, 1, 588},
  };
  for (const LengthCase& c : cases)
    EXPECT_EQ(BarLengthFor(c.pos, c.total), c.length) << c.pos << " / " << c.total;
}

#ifdef __SIZEOF_INT128__
TEST(BarLength, AgreesWithWideArithmeticAcrossTheRange) {
  std::mt19937_64 rng(20261208);
  for (int i = 0; i < 100000; ++i) {
    const int shift = static_cast<int>(rng() % 64);
    const uint64_t total = (rng() >> shift) | 1;
    const uint64_t pos = rng() % total;
    const unsigned __int128 exact = static_cast<unsigned __int128>(pos) * 588 / total;
    ASSERT_EQ(BarLengthFor(pos, total), static_cast<uint32_t>(exact)) << pos << " / " << total;
  }
}
#endif

// ---------------------------------------------------------------- control looks

class ControlLooks : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    // The install folder page: Back, Next, Exit and the wide Browse button.
    buttonImageBase[0] = 0;
    buttonImageBase[1] = 5;
    buttonImageBase[2] = 10;
    buttonImageBase[3] = 25;
    focusButton = 1;
  }
  bool ShowsButton(int row) const {
    const ButtonImage& b = buttonImages[row];
    return Shows(b.x, b.y, b.width, kButtonHeight, b.picture);
  }
  bool ShowsMark(int row) const {
    const MarkImage& m = optionMarks[row];
    return Shows(m.x, m.y, 16, 16, m.picture);
  }
};

TEST_F(ControlLooks, IdsOutsideTheControlsDrawNothing) {
  for (int id : {-1, 0, 1, 24, 25, 26, 27, 40, 1000}) {
    DrawControlNormal(id);
    DrawControlActive(id);
  }
  EXPECT_EQ(CountChanged(), 0);
  EXPECT_EQ(focusButton, 1);
}

TEST_F(ControlLooks, NormalLookHonoursTheFocus) {
  DrawControlNormal(4);
  EXPECT_TRUE(ShowsButton(6));  // Next, focus look
  DrawControlNormal(3);
  EXPECT_TRUE(ShowsButton(0));  // Back, plain
}

TEST_F(ControlLooks, HoverDrawsTheHoverLookWithoutMovingTheFocus) {
  DrawControlActive(6);
  EXPECT_TRUE(ShowsButton(12));
  EXPECT_EQ(focusButton, 1);
}

TEST_F(ControlLooks, PressingMovesTheFocusAndRestoresTheOldButton) {
  DrawControlNormal(4);          // Next shown focused
  DrawControlActive(9);          // press the wide button
  EXPECT_EQ(focusButton, 3);
  EXPECT_TRUE(ShowsButton(28));  // Browse pressed
  EXPECT_TRUE(ShowsButton(5));   // Next back to its plain look
  DrawControlActive(3);          // then press the left button
  EXPECT_EQ(focusButton, 0);
  EXPECT_TRUE(ShowsButton(3));   // Back pressed
  EXPECT_TRUE(ShowsButton(25));  // Browse in its normal look
  DrawControlNormal(3);
  EXPECT_TRUE(ShowsButton(1));   // Back keeps the focus look when released
}

TEST_F(ControlLooks, PressingTheFocusedButtonRedrawsOnlyIt) {
  DrawControlActive(5);
  EXPECT_EQ(focusButton, 1);
  EXPECT_TRUE(ShowsButton(8));
  EXPECT_EQ(CountChanged(), 85 * 21);
}

struct MarkCase { int id; int selected; int base[3]; int row; };

TEST_F(ControlLooks, OptionLooksFollowTheSelection) {
  const MarkCase cases[] = {
      // Page 1, three-way group.
      {10, 1, {0, 6, 12}, 1},  {11, 1, {0, 6, 12}, 2},  {12, 1, {0, 6, 12}, 10},
      {13, 1, {0, 6, 12}, 11}, {14, 0, {0, 6, 12}, 13}, {15, 2, {0, 6, 12}, 17},
      // Page 6 and page 7, two-way groups.
      {16, 0, {18, 24, 0}, 22}, {19, 0, {18, 24, 0}, 26},
      {21, 1, {30, 36, 0}, 32}, {22, 1, {30, 36, 0}, 40},
  };
  for (const MarkCase& c : cases) {
    Clear();
    selectedOption = c.selected;
    for (int i = 0; i < 3; ++i) optionImageBase[i] = c.base[i];
    DrawControlActive(c.id);
    EXPECT_TRUE(ShowsMark(c.row)) << "id " << c.id;
    EXPECT_EQ(CountChanged(), 16 * 16) << "id " << c.id;
  }
  Clear();
  selectedOption = 2;
  optionImageBase[0] = 0;
  optionImageBase[2] = 12;
  DrawControlNormal(15);
  EXPECT_TRUE(ShowsMark(15));
  DrawControlNormal(11);
  EXPECT_TRUE(ShowsMark(0));
}

TEST_F(ControlLooks, HoverStepRestoresTheControlThePointerLeft) {
  EXPECT_FALSE(HoverStep());  // nothing changed
  hoverId = 4;
  EXPECT_TRUE(HoverStep());
  EXPECT_TRUE(ShowsButton(7));  // Next hover
  hoverId = 5;                  // pressed on the same control: no restore first
  Clear();
  EXPECT_TRUE(HoverStep());
  EXPECT_TRUE(ShowsButton(8));
  EXPECT_EQ(CountChanged(), 85 * 21);
  hoverId = 6;                  // moved to Exit
  EXPECT_TRUE(HoverStep());
  EXPECT_TRUE(ShowsButton(6));  // Next plain, keeping its focus look
  EXPECT_TRUE(ShowsButton(12)); // Exit hover
  hoverId = 0;                  // left every control
  EXPECT_TRUE(HoverStep());
  EXPECT_TRUE(ShowsButton(10));
  EXPECT_EQ(drawnHoverId, 0);
  EXPECT_EQ(lastHoverId, 6);
  EXPECT_FALSE(HoverStep());
}

TEST_F(ControlLooks, PicturesAndMarksLandAtTheirTableRows) {
  DrawCheckMark(3);
  EXPECT_TRUE(Shows(40, 160, 11, 11, skin::checkMarkLooks[1]));
  DrawOptionIcons();
  EXPECT_TRUE(Shows(62, 143, 39, 40, skin::optionIcons[0]));
  EXPECT_TRUE(Shows(62, 233, 39, 40, skin::optionIcons[1]));
  EXPECT_TRUE(Shows(62, 323, 39, 40, skin::optionIcons[2]));
  EXPECT_EQ(CountChanged(), 121 + 3 * 39 * 40);
  DrawButtonImage(-1);
  DrawButtonImage(kButtonImageRows);
  DrawOptionMark(kOptionMarkRows);
  DrawCheckMark(kCheckMarkRows);
  EXPECT_EQ(CountChanged(), 121 + 3 * 39 * 40);
}

TEST(NoBackBuffer, DrawingWithoutABufferIsHarmless) {
  backBuffer = nullptr;
  repaintFlag = 0;
  FillBackground();
  EXPECT_EQ(repaintFlag, 1);
  DrawProgressTrough(247);
  DrawProgressBar(247, 300);
  DrawButtonImage(0);
  focusButton = 1;
  buttonImageBase[0] = 0;
  DrawControlActive(3);
  EXPECT_EQ(focusButton, 0);  // the focus word still follows the press
}

}  // namespace
