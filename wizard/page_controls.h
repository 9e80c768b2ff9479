// What every wizard page shows, as data: one table per page of its titles,
// text lines, boxes, options, check boxes, buttons, bar and caption, in the
// order a reader meets them. Hit tests, the EDIT boxes and the accessible
// object read these tables, so a control's rectangle lives in one place.
#pragma once

#include <cstdint>

enum class ControlKind : uint8_t {
  kTitle, kText, kSpaceLine, kEdit, kOption, kCheckBox, kButton, kProgressBar, kCaption
};

// When a control takes input: always, or (the licence page's Next) only while
// nextEnabled is set, as its disabled picture says.
enum class ControlRule : uint8_t { kAlways, kWhileNextEnabled };

// Design coordinates (664 x 436), both ends included.
struct ControlRect {
  int left, top, right, bottom;
};

struct PageControl {
  ControlKind kind;
  int textRow;     // uiTexts / textRects row of its text or name, -1 none
  int pictureRow;  // first buttonImages (buttons), optionMarks or checkMarks row, -1 none
  ControlRect rect;  // hit rectangle; texts take theirs from textRects (BoundsOf)
  wchar_t key;     // the letter that acts on this page, 0 none
  int id;          // hover id (even), the press id of a check box, 0 none
  const wchar_t* name;  // buttons: the label without letter spacing and key
  ControlRule rule;
};

struct PageControls {
  const PageControl* controls;
  int count;
};

// The table of a page; pages without controls (10, the empty rows) have none.
PageControls ControlsOf(uint32_t page);

// Rectangles the pages share: bottom button positions 0-2 (85 x 21) and the
// wide button of the folder page (3, 118 x 21); the three feature check boxes
// (11 x 11).
inline constexpr ControlRect kButtonRects[4] = {
    {333, 393, 417, 413}, {422, 393, 506, 413}, {511, 393, 595, 413}, {478, 290, 595, 310}};
inline constexpr ControlRect kCheckBoxRects[3] = {
    {40, 130, 50, 140}, {40, 160, 50, 170}, {40, 190, 50, 200}};

inline bool RectContains(const ControlRect& r, uint32_t x, uint32_t y) {
  // Unsigned: a pointer left of or above the client area is a large number.
  return x >= static_cast<uint32_t>(r.left) && x <= static_cast<uint32_t>(r.right) &&
         y >= static_cast<uint32_t>(r.top) && y <= static_cast<uint32_t>(r.bottom);
}

// True while the control takes input (its rule holds).
bool ControlActive(const PageControl& c);

// The control of page under (x, y) that takes input now, or nullptr. The
// rectangles of one page never overlap, so the first hit is the only one.
const PageControl* ControlAt(uint32_t page, uint32_t x, uint32_t y);

// The first control of a kind on a page, or nullptr.
const PageControl* FindControl(uint32_t page, ControlKind kind);

// The uiTexts row a text control shows now: the completion page's rows follow
// completionTextIndex (its table names the install group's rows).
int ShownTextRow(uint32_t page, const PageControl& c);

// Where the control is: its own rectangle, or for a text (title, line,
// caption) the textRects row it is drawn into, both ends included.
ControlRect BoundsOf(uint32_t page, const PageControl& c);

// First uiTexts row of the completion texts now shown (one of the four groups).
int CompletionRow();
