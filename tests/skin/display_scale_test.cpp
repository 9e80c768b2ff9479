// The display scale: design and client pixels, the choice of a scale, the
// pictures drawn for each scale against their references, and a page drawn
// again after a change of scale.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/display_scale.h"
#include "shell/frame_replay.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"
#include "shell/skin_pictures.h"
#include "shell/skin_scaled.h"

namespace {

class DisplayScale : public ::testing::Test {
 protected:
  void TearDown() override {
    SetDisplayScale(100);
    backBuffer = nullptr;
  }
};

TEST_F(DisplayScale, EveryClientPixelFallsOnTheDesignPixelThatHoldsIt) {
  for (int p : kListedScales) {
    ASSERT_TRUE(SetDisplayScale(p));
    for (int x = -4; x < ClientWidth() + 4; ++x) {
      const int d = DesignCoord(x);
      ASSERT_TRUE(ScaleLength(d) <= x && x < ScaleLength(d + 1)) << p << "% x " << x;
    }
  }
  EXPECT_FALSE(SetDisplayScale(110));
  EXPECT_EQ(ScalePercent(), 300);
}

TEST_F(DisplayScale, ChoosesTheNearestListedScaleThatFits) {
  struct Case { int dpi, nearest; };
  for (Case c : {Case{72, 100}, {96, 100}, {110, 125}, {120, 125}, {144, 150}, {168, 175},
                 {192, 200}, {216, 225}, {240, 250}, {264, 250}, {288, 300}, {480, 300}})
    EXPECT_EQ(NearestListedScale(c.dpi), c.nearest) << c.dpi;
  // A 1366 x 728 work area with a 16 x 39 frame: 175 % is 1162 x 763 + frame.
  EXPECT_EQ(FittingScale(200, 1366, 728, 16, 39), 150);
  EXPECT_EQ(FittingScale(125, 1920, 1040, 16, 39), 125);
  EXPECT_EQ(FittingScale(300, 600, 400, 16, 39), 100);
}

// A reference picture as draw_skin.py saved it (converted to binary PPM).
std::vector<uint32_t> Reference(const std::string& name, int& w, int& h) {
  std::vector<uint32_t> px;
  FILE* f = std::fopen((std::string(KV_SCALED_REFERENCES) + "/" + name + ".ppm").c_str(), "rb");
  if (!f || std::fscanf(f, "P6 %d %d 255", &w, &h) != 2 || std::fgetc(f) == EOF) return px;
  for (int i = 0, c[3]; i < w * h && (c[0] = std::fgetc(f)) != EOF && (c[1] = std::fgetc(f)) != EOF &&
                        (c[2] = std::fgetc(f)) != EOF; ++i)
    px.push_back(static_cast<uint32_t>(c[0] << 16 | c[1] << 8 | c[2]));
  std::fclose(f);
  return px;
}

TEST_F(DisplayScale, PicturesAreTheOnesDrawnForTheScale) {
  struct Case { const char* name; const uint32_t* design; };
  const Case cases[] = {{"button-back-normal", skin::buttonBack[0]},
                        {"button-cancel-disabled", skin::buttonCancel[4]},
                        {"button-browse-hover", skin::buttonBrowse[2]},
                        {"option-mark-on-pressed", skin::optionMarkLooks[5]},
                        {"check-mark-ticked", skin::checkMarkLooks[1]},
                        {"option-icon-remove", skin::optionIcons[2]},
                        {"progress-trough", skin::progressTrough},
                        {"progress-fill", skin::progressFill}};
  for (int p : {125, 150, 200, 300}) {
    ASSERT_TRUE(SetDisplayScale(p));
    for (const Case& c : cases) {
      int w = 0, h = 0;
      const std::vector<uint32_t> ref = Reference(std::to_string(p) + "/" + c.name, w, h);
      ASSERT_EQ(ref.size(), static_cast<size_t>(w) * h) << p << " " << c.name;
      const ScaledPicture s = PictureAtScale(c.design, 0, 0);
      ASSERT_EQ(s.width, w) << p << " " << c.name;
      ASSERT_EQ(s.height, h) << p << " " << c.name;
      EXPECT_EQ(std::vector<uint32_t>(s.pixels, s.pixels + w * h), ref) << p << " " << c.name;
    }
  }
}

// A progress page with a button hovered and left again, drawn at 100 % and
// replayed at 150 %, against the same steps drawn directly at 150 %.
void DrawSomePage(std::vector<uint32_t>& frame) {
  frame.assign(ClientWidth() * ClientHeight(), 0xA5123456);
  backBuffer = frame.data();
  FillBackground();
  DrawButtonImage(5);
  DrawButtonImage(7);
  DrawButtonImage(6);
  DrawOptionIcons();
  DrawProgressTrough(247);
  DrawProgressBar(247, 120);
  FillRows(180, 219);
  DrawProgressBar(247, 588);
}

TEST_F(DisplayScale, APageDrawnAgainAtANewScaleIsThePageDrawnAtIt) {
  std::vector<uint32_t> replayed, direct;
  DrawSomePage(replayed);
  ASSERT_TRUE(SetDisplayScale(150));
  replayed.assign(ClientWidth() * ClientHeight(), 0xA5123456);
  backBuffer = replayed.data();
  ReplayDrawn(nullptr);
  DrawSomePage(direct);
  EXPECT_TRUE(replayed == direct);
  const ScaledPicture next = PictureAtScale(skin::buttonNext[1], 0, 0);
  for (int r = 0; r < next.height; ++r)
    for (int c = 0; c < next.width; ++c)
      ASSERT_EQ(direct[(ScaleLength(393) + r) * ClientWidth() + ScaleLength(422) + c],
                next.pixels[r * next.width + c]);
}

}  // namespace
