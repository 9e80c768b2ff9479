// The skin pictures of the current scale: decoded from the run-coded arrays
// of one listed scale when the scale is set, and looked up by the design
// picture they stand for.
#include <array>
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "skin_pictures.h"
#include "skin_scaled.h"

namespace {

using skin::kScaledPictures;

// The design pictures in the order draw_skin.py codes them.
constexpr std::array<const uint32_t*, kScaledPictures> DesignPictures() {
  std::array<const uint32_t*, kScaledPictures> list{};
  int n = 0;
  for (const auto* group : {skin::buttonBack, skin::buttonNext, skin::buttonExit,
                            skin::buttonFinish, skin::buttonCancel})
    for (int look = 0; look < skin::kLooks; ++look) list[n++] = group[look];
  for (int look = 0; look < skin::kLooks; ++look) list[n++] = skin::buttonBrowse[look];
  for (int i = 0; i < 6; ++i) list[n++] = skin::optionMarkLooks[i];
  for (int i = 0; i < 2; ++i) list[n++] = skin::checkMarkLooks[i];
  for (int i = 0; i < 3; ++i) list[n++] = skin::optionIcons[i];
  list[n++] = skin::progressTrough;
  list[n++] = skin::progressFill;
  return list;
}

constexpr std::array<const uint32_t*, kScaledPictures> kDesignPictures = DesignPictures();

struct FreeWords {
  void operator()(uint32_t* p) const { std::free(p); }
};
using Words = std::unique_ptr<uint32_t[], FreeWords>;

int loadedPercent = 100;
Words pixels;                                       // every picture, one after another
std::array<ScaledPicture, kScaledPictures> loaded;  // into pixels

// Decodes one scale's words into out; false when they do not give exactly
// the pixels its sizes add up to (a broken generated table) or there is no
// memory for them.
bool Decode(const skin::ScaledSkin& s, Words& out,
            std::array<ScaledPicture, kScaledPictures>& pictures) {
  std::size_t total = 0;
  for (int i = 0; i < kScaledPictures; ++i) total += std::size_t{s.sizes[i][0]} * s.sizes[i][1];
  out.reset(static_cast<uint32_t*>(std::malloc(total * sizeof(uint32_t))));
  if (!out) return false;
  std::size_t filled = 0;
  for (int i = 0; i < s.wordCount; ++i) {
    const uint32_t count = s.words[i] >> 24;
    if (count == 0 || filled + count > total) return false;
    for (uint32_t k = 0; k < count; ++k) out[filled++] = s.words[i] & 0xFFFFFFu;
  }
  if (filled != total) return false;
  std::size_t at = 0;
  for (int i = 0; i < kScaledPictures; ++i) {
    pictures[i] = ScaledPicture{out.get() + at, s.sizes[i][0], s.sizes[i][1]};
    at += std::size_t{s.sizes[i][0]} * s.sizes[i][1];
  }
  return true;
}

}  // namespace

bool LoadSkinScale(int percent) {
  if (percent == 100) {
    loadedPercent = 100;
    return true;
  }
  for (const skin::ScaledSkin& s : skin::scaledSkins) {
    if (s.percent != percent) continue;
    Words decoded;
    std::array<ScaledPicture, kScaledPictures> pictures{};
    if (!Decode(s, decoded, pictures)) return false;
    pixels.swap(decoded);
    loaded = pictures;
    loadedPercent = percent;
    return true;
  }
  return false;
}

ScaledPicture PictureAtScale(const uint32_t* design, int designWidth, int designHeight) {
  if (loadedPercent != 100) {
    for (int i = 0; i < kScaledPictures; ++i)
      if (kDesignPictures[i] == design) return loaded[i];
  }
  return ScaledPicture{design, designWidth, designHeight};
}
