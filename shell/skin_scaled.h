// The skin pictures drawn anew at every listed scale above 100 %, generated
// by resources/skin/draw_skin.py, and the pictures of the current scale
// decoded from them.
#pragma once

#include <cstdint>

namespace skin {

// Pictures per scale, in the order of the arrays of skin_pictures.h (every
// look of every array), each coded as words (count << 24) | 0xRRGGBB.
constexpr int kScaledPictures = 43;
constexpr int kScaledSkins = 7;

struct ScaledSkin {
  int percent;
  const uint32_t* words;
  int wordCount;
  const uint16_t (*sizes)[2];  // width, height of each picture
};
extern const ScaledSkin scaledSkins[kScaledSkins];

}  // namespace skin

// The skin picture to draw for a design picture (a pointer into the arrays of
// skin_pictures.h) at the current scale, with its size; the design picture
// itself, with designWidth x designHeight, at 100 % or for any other pointer.
struct ScaledPicture {
  const uint32_t* pixels;
  int width;
  int height;
};
ScaledPicture PictureAtScale(const uint32_t* design, int designWidth, int designHeight);

// Decodes the pictures of percent (100: none needed). False when percent has
// no pictures or its coded words do not give the sizes listed, leaving the
// pictures of the earlier scale.
bool LoadSkinScale(int percent);
