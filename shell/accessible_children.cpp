// Names, roles, states and values of the accessible object's children, read
// from the page's control table and the state words the page draws from.
#include "accessible_children.h"

#include <oleacc.h>

#include <cwchar>

#include "display_scale.h"
#include "engine/install_state.h"
#include "shell_state.h"
#include "ui_tables.h"
#include "wizard/space_lines.h"

namespace {

bool IsText(ControlKind k) {
  return k == ControlKind::kTitle || k == ControlKind::kText || k == ControlKind::kSpaceLine ||
         k == ControlKind::kCaption;
}

void CopyText(const wchar_t* text, wchar_t* out, int units) {
  if (units <= 0) return;
  out[0] = 0;
  if (text) lstrcpynW(out, text, units);
}

}  // namespace

HWND EditBoxOf(HWND window) { return FindWindowExW(window, nullptr, L"EDIT", nullptr); }

PageChildren ChildrenOf(uint32_t page, HWND window) {
  PageChildren children = {};
  const PageControls t = ControlsOf(page);
  for (int i = 0; i < t.count && children.count < kMaxChildren; ++i) {
    const PageControl& c = t.controls[i];
    if (c.kind == ControlKind::kEdit && !EditBoxOf(window)) continue;
    if ((c.kind == ControlKind::kTitle || c.kind == ControlKind::kText) &&
        uiTexts[ShownTextRow(page, c)][0] == L'\0')
      continue;
    children.controls[children.count++] = &c;
  }
  return children;
}

int ChildIdOf(const PageChildren& children, const PageControl* control) {
  for (int i = 0; i < children.count; ++i) {
    if (children.controls[i] == control) return i + 1;
  }
  return 0;
}

const PageControl* ChildControl(const PageChildren& children, long childId) {
  if (childId < 1 || childId > children.count) return nullptr;
  return children.controls[childId - 1];
}

void ChildName(uint32_t page, const PageControl& c, wchar_t* out, int units) {
  CopyText(L"", out, units);
  switch (c.kind) {
    case ControlKind::kButton: CopyText(c.name, out, units); return;
    case ControlKind::kSpaceLine: {
      wchar_t line[kSpaceLineUnits];
      if (FormatSpaceLine(c.textRow, line)) CopyText(line, out, units);
      return;
    }
    case ControlKind::kCaption: {
      wchar_t caption[kPathUnits];
      CopyStepCaption(caption);
      CopyText(caption, out, units);
      return;
    }
    default:
      if (c.textRow >= 0) CopyText(uiTexts[ShownTextRow(page, c)], out, units);
      return;
  }
}

long ChildRole(const PageControl& c) {
  switch (c.kind) {
    case ControlKind::kButton: return ROLE_SYSTEM_PUSHBUTTON;
    case ControlKind::kOption: return ROLE_SYSTEM_RADIOBUTTON;
    case ControlKind::kCheckBox: return ROLE_SYSTEM_CHECKBUTTON;
    case ControlKind::kProgressBar: return ROLE_SYSTEM_PROGRESSBAR;
    case ControlKind::kEdit: return ROLE_SYSTEM_TEXT;
    default: return ROLE_SYSTEM_STATICTEXT;
  }
}

long ChildState(const PageControl& c) {
  switch (c.kind) {
    case ControlKind::kButton: {
      if (!ControlActive(c)) return STATE_SYSTEM_UNAVAILABLE;
      // No page answers Enter, so no button is the default one.
      const int position = c.id / 2 - 1;
      return STATE_SYSTEM_FOCUSABLE | (position == focusButton ? STATE_SYSTEM_FOCUSED : 0);
    }
    case ControlKind::kOption:
      return OptionIndex(currentPage, &c) == selectedOption ? STATE_SYSTEM_CHECKED : 0;
    case ControlKind::kCheckBox: {
      const uint32_t bit = 1u << (c.id - kIdCheck0);
      return (installState.featureFlags.load() & bit) ? STATE_SYSTEM_CHECKED : 0;
    }
    default:
      return IsText(c.kind) || c.kind == ControlKind::kProgressBar ? STATE_SYSTEM_READONLY : 0;
  }
}

bool ChildValue(const PageControl& c, wchar_t* out, int units) {
  if (c.kind != ControlKind::kProgressBar) return false;
  const int percent =
      WholePercent(installState.progressPos.load(), installState.progressTotal.load());
  return swprintf(out, units, L"%d%%", percent) > 0;
}

const wchar_t* ChildDefaultAction(const PageControl& c) {
  switch (c.kind) {
    case ControlKind::kButton: return L"누르기";
    case ControlKind::kOption: return L"선택";
    case ControlKind::kCheckBox:
      return (ChildState(c) & STATE_SYSTEM_CHECKED) ? L"선택 취소" : L"선택";
    default: return nullptr;
  }
}

int WholePercent(uint64_t pos, uint64_t total) {
  if (total == 0) return 0;
  if (pos >= total) return 100;
  // pos < total, so the quotient is below 100; without a 128-bit type the
  // product is formed only where it cannot overflow.
  if (pos <= UINT64_MAX / 100) return static_cast<int>(pos * 100 / total);
  return static_cast<int>(pos / (total / 100 + 1));
}

int FocusedChildId(const PageChildren& children) {
  for (int i = 0; i < children.count; ++i) {
    const PageControl& c = *children.controls[i];
    if (c.kind == ControlKind::kButton && (ChildState(c) & STATE_SYSTEM_FOCUSED)) return i + 1;
  }
  return 0;
}

int OptionIndex(uint32_t page, const PageControl* option) {
  const PageControls t = ControlsOf(page);
  int index = 0;
  for (int i = 0; i < t.count; ++i) {
    if (&t.controls[i] == option) return index;
    if (t.controls[i].kind == ControlKind::kOption) ++index;
  }
  return -1;
}

// Design pixels left..right (both included) cover client pixels from the
// scaled left edge up to the scaled edge of the next design pixel.
RECT DesignToClient(const ControlRect& r) {
  return RECT{ScaleLength(r.left), ScaleLength(r.top), ScaleLength(r.right + 1), ScaleLength(r.bottom + 1)};
}

POINT ClientToDesign(POINT p) { return POINT{DesignCoord(p.x), DesignCoord(p.y)}; }
