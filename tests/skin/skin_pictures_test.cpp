// The generated skin pictures: pure 0x00RRGGBB words, never the window's
// colour key, and distinct looks where the design asks for them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "shell/skin_pictures.h"

namespace {

constexpr uint32_t kColourKey = 0xCFCDCF;

struct Picture { const char* name; const uint32_t* pixels; int count; };

TEST(SkinPictures, NoPixelIsTheColourKeyOrHasATopByte) {
  const int button = skin::kButtonWidth * skin::kButtonHeight;
  const Picture pictures[] = {
      {"buttonBack", skin::buttonBack[0], 5 * button},
      {"buttonNext", skin::buttonNext[0], 5 * button},
      {"buttonExit", skin::buttonExit[0], 5 * button},
      {"buttonFinish", skin::buttonFinish[0], 5 * button},
      {"buttonCancel", skin::buttonCancel[0], 5 * button},
      {"buttonBrowse", skin::buttonBrowse[0], 5 * skin::kWideButtonWidth * skin::kButtonHeight},
      {"optionMarkLooks", skin::optionMarkLooks[0], 6 * 256},
      {"checkMarkLooks", skin::checkMarkLooks[0], 2 * 121},
      {"optionIcons", skin::optionIcons[0], 3 * 39 * 40},
      {"progressTrough", skin::progressTrough, 24 * 19},
      {"progressFill", skin::progressFill, 24 * 174},
  };
  for (const Picture& p : pictures) {
    for (int i = 0; i < p.count; ++i) {
      ASSERT_NE(p.pixels[i], kColourKey) << p.name << " word " << i;
      ASSERT_EQ(p.pixels[i] >> 24, 0u) << p.name << " word " << i;
    }
  }
}

bool Same(const uint32_t* a, const uint32_t* b, int n) { return std::memcmp(a, b, n * sizeof(uint32_t)) == 0; }

TEST(SkinPictures, EveryButtonLookDiffersExceptCancelDisabled) {
  const int n = skin::kButtonWidth * skin::kButtonHeight;
  const uint32_t (*groups[])[85 * 21] = {skin::buttonBack, skin::buttonNext, skin::buttonExit,
                                         skin::buttonFinish, skin::buttonCancel};
  for (auto g : groups) {
    for (int a = 0; a < 5; ++a)
      for (int b = a + 1; b < 5; ++b) {
        const bool cancelDisabled = g == skin::buttonCancel && a == 0 && b == 4;
        EXPECT_EQ(Same(g[a], g[b], n), cancelDisabled) << a << " vs " << b;
      }
  }
  // The captions differ between groups.
  EXPECT_FALSE(Same(skin::buttonExit[0], skin::buttonFinish[0], n));
  EXPECT_FALSE(Same(skin::buttonFinish[0], skin::buttonCancel[0], n));
}

TEST(SkinPictures, OptionAndCheckLooksDiffer) {
  for (int a = 0; a < 6; ++a)
    for (int b = a + 1; b < 6; ++b)
      EXPECT_FALSE(Same(skin::optionMarkLooks[a], skin::optionMarkLooks[b], 256)) << a << " vs " << b;
  EXPECT_FALSE(Same(skin::checkMarkLooks[0], skin::checkMarkLooks[1], 121));
}

TEST(SkinPictures, FillStretchColumnJoinsTheMotifSmoothly) {
  // Column 22 is repeated beside the motif, so the motif's edge columns stay
  // close to it on every row.
  for (int r = 0; r < 24; ++r) {
    const uint32_t s = skin::progressFill[r * 174 + 22];
    for (int col : {23, 150}) {
      const uint32_t m = skin::progressFill[r * 174 + col];
      for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((m >> shift) & 0xFF) - static_cast<int>((s >> shift) & 0xFF);
        EXPECT_LE(d < 0 ? -d : d, 12) << "row " << r << " column " << col;
      }
    }
  }
}

}  // namespace
