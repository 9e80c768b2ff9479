// The skin's pictures as 0x00RRGGBB pixel arrays, row by row from the top.
// Generated at build time from the sources in resources/skin.
#pragma once

#include <cstdint>

namespace skin {

constexpr int kButtonWidth = 85;
constexpr int kWideButtonWidth = 118;
constexpr int kButtonHeight = 21;
constexpr int kLooks = 5;  // normal, focus, hover, pressed, disabled

extern const uint32_t buttonBack[kLooks][kButtonWidth * kButtonHeight];
extern const uint32_t buttonNext[kLooks][kButtonWidth * kButtonHeight];
extern const uint32_t buttonExit[kLooks][kButtonWidth * kButtonHeight];
extern const uint32_t buttonFinish[kLooks][kButtonWidth * kButtonHeight];
extern const uint32_t buttonCancel[kLooks][kButtonWidth * kButtonHeight];
extern const uint32_t buttonBrowse[kLooks][kWideButtonWidth * kButtonHeight];
// not selected, hover, pressed, selected, selected hover, selected pressed
extern const uint32_t optionMarkLooks[6][16 * 16];
extern const uint32_t checkMarkLooks[2][11 * 11];  // empty, ticked
extern const uint32_t optionIcons[3][39 * 40];     // modify, repair, remove
extern const uint32_t progressTrough[24 * 19];
extern const uint32_t progressFill[24 * 174];

}  // namespace skin
