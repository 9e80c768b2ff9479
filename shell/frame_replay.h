// What the current page has drawn since its background, kept in design terms
// so that a change of display scale draws the same page anew at the new scale
// without entering the page again (its enter handler resets its state).
#pragma once

#include <cstdint>

constexpr int kDrawnTextUnits = 300;  // a text step's line, cut to fit

struct DrawnStep {
  enum Kind { kRows, kPicture, kTrough, kBar, kText } kind;
  int a, b;                  // rows: first, last; trough, bar: y, bar width
  const uint32_t* picture;   // picture: the design picture, at (left, top), w x h
  int w, h;
  int font;                  // text: frame_gdi's font number
  wchar_t text[kDrawnTextUnits];
  int left, top, right, bottom;  // the design pixels the step covers
};

// Adds a step. An opaque step (all but text) first drops every earlier step
// lying wholly inside it, whose pixels it replaces, so that a page redrawing
// the same control or band keeps the list short. Nothing while replaying. A
// step past the list's room is not kept (the pages draw a few dozen).
void RecordDrawn(const DrawnStep& step);
// The same for a text step: line (cut to kDrawnTextUnits - 1 units) in font
// number font within the design rectangle.
void RecordDrawnText(int font, const wchar_t* line, int left, int top, int right, int bottom);
// A new background: the earlier steps are gone from the frame.
void ForgetDrawn();
// Draws every step again in order through the drawing operations; text steps
// go to drawText.
void ReplayDrawn(void (*drawText)(const DrawnStep&));
