// A bare 664 x 436 back buffer for the pixel tests, filled with a word no
// picture or background row can hold, and helpers to compare regions of it
// with the program's own pictures.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/shell_state.h"

// Top byte set: pictures and background colours are 0x00RRGGBB.
constexpr uint32_t kUntouched = 0xA5123456;

class FrameFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_.assign(kFrameWidth * kFrameHeight, kUntouched);
    backBuffer = frame_.data();
    repaintFlag = 0;
    hoverId = drawnHoverId = lastHoverId = 0;
    focusButton = 0;
    selectedOption = 0;
    for (int& b : buttonImageBase) b = 0;
    for (int& b : optionImageBase) b = 0;
  }
  void TearDown() override { backBuffer = nullptr; }

  uint32_t At(int x, int y) const { return frame_[y * kFrameWidth + x]; }

  // True when the w x h region at (x, y) holds the picture word for word.
  bool Shows(int x, int y, int w, int h, const uint32_t* picture) const {
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c)
        if (At(x + c, y + r) != picture[r * w + c]) return false;
    return true;
  }

  int CountChanged() const {
    int n = 0;
    for (uint32_t p : frame_) n += (p != kUntouched);
    return n;
  }

  void Clear() { frame_.assign(frame_.size(), kUntouched); }

  std::vector<uint32_t> frame_;
};
