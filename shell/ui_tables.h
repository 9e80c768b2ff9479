// The constant tables of the wizard: texts, their rectangles, and the positions
// and pictures of buttons, option marks and check marks.
#pragma once

#include <cstdint>

struct TextRect {
  int32_t left, top, right, bottom;
};
struct ButtonImage {
  uint32_t x, y, width;
  const uint32_t* picture;  // width x 21 pixels
};
struct MarkImage {
  uint32_t x, y;
  const uint32_t* picture;  // 16 x 16 (option marks) or 11 x 11 (check marks)
};

constexpr int kUiTextRows = 98;
constexpr int kTextRectRows = 87;
constexpr int kButtonImageRows = 30;
constexpr int kOptionMarkRows = 42;
constexpr int kCheckMarkRows = 6;
constexpr int kButtonHeight = 21;

extern const wchar_t* const uiTexts[kUiTextRows];
extern const TextRect textRects[kTextRectRows];
extern const ButtonImage buttonImages[kButtonImageRows];
extern const MarkImage optionMarks[kOptionMarkRows];
extern const MarkImage checkMarks[kCheckMarkRows];

// Message texts shown in boxes (not rows of uiTexts).
extern const wchar_t* const kErrorCaption;          // "오류"
extern const wchar_t* const kOpenFailureMessages[8]; // codes -1 .. -8
