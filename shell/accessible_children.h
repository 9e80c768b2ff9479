// The children the accessible object shows for a page: one simple element per
// title, text line, option, check box, button, bar and caption of the page's
// control table, and its EDIT box (a real window) where it stands, numbered
// 1..N in the table's order. What each says is read from the words the page
// draws from, formatted as drawn.
#pragma once

#include <windows.h>

#include <cstdint>

#include "wizard/page_controls.h"

constexpr int kMaxChildren = 16;

struct PageChildren {
  const PageControl* controls[kMaxChildren];
  int count;
};

// The children of page now: a text row without text (the completion page's
// empty fourth line) is left out, the EDIT box only while it exists.
PageChildren ChildrenOf(uint32_t page, HWND window);
// Child id (1..N) of a control of that list, 0 when it is not a child.
int ChildIdOf(const PageChildren& children, const PageControl* control);
// The control of a child id, nullptr for CHILDID_SELF or an id out of range.
const PageControl* ChildControl(const PageChildren& children, long childId);
// The EDIT box of the page's window, nullptr when it has none now.
HWND EditBoxOf(HWND window);

// The text a child shows, as drawn: buttons by their labels, options and
// check boxes by their texts, formatted lines as formatted.
void ChildName(uint32_t page, const PageControl& c, wchar_t* out, int units);
long ChildRole(const PageControl& c);
long ChildState(const PageControl& c);
// The progress bar's value "N%"; false for every other child.
bool ChildValue(const PageControl& c, wchar_t* out, int units);
// "누르기" for buttons, the check words for options and check boxes, nullptr
// for the rest.
const wchar_t* ChildDefaultAction(const PageControl& c);

// Whole percent of pos in total, clipped to 0-100.
int WholePercent(uint64_t pos, uint64_t total);
// Child id of the button focusButton marks, 0 when the page shows none.
int FocusedChildId(const PageChildren& children);
// Index (0..) of an option among the page's options, as selectedOption counts them.
int OptionIndex(uint32_t page, const PageControl* option);

// Where a design rectangle lies in the client area (right and bottom
// exclusive). Every location the object reports goes through here, so a
// display scale is applied in this one place.
RECT DesignToClient(const ControlRect& r);
// The design point of a client point (the inverse of DesignToClient).
POINT ClientToDesign(POINT p);
