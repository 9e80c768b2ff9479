// The control tables of the wizard pages and the lookups over them. Portable
// (no Windows header), so the tables are checked natively against the
// pictures and text rectangles they must match.
#include "page_controls.h"

#include "engine/install_state.h"
#include "shell/shell_state.h"
#include "shell/ui_tables.h"

namespace {

using K = ControlKind;
constexpr ControlRule kAlways = ControlRule::kAlways;

// Text controls carry no rectangle of their own: they are drawn into the
// textRects row they name (BoundsOf).
constexpr ControlRect kFromTextRects = {0, 0, -1, -1};
// The trough of the progress bar: 589 x 24 at (34, 247).
constexpr ControlRect kBarRect = {34, 247, 622, 270};
constexpr ControlRect kLicenceBoxRect = {35, 87, 628, 272};  // 594 x 186
constexpr ControlRect kFolderBoxRect = {35, 290, 447, 310};  // 413 x 21

// An option mark: 16 x 16 at (34, top).
constexpr ControlRect OptionRect(int top) { return {34, top, 49, top + 15}; }

constexpr PageControl Drawn(ControlKind kind, int row) {
  return {kind, row, -1, kFromTextRects, 0, 0, nullptr, kAlways};
}
constexpr PageControl TitleRow(int row) { return Drawn(K::kTitle, row); }
constexpr PageControl TextRow(int row) { return Drawn(K::kText, row); }
constexpr PageControl SpaceLine(int row) { return Drawn(K::kSpaceLine, row); }
constexpr PageControl Caption(int row) { return Drawn(K::kCaption, row); }
constexpr PageControl Option(int textRow, int marks, int top, wchar_t key, int id) {
  return {K::kOption, textRow, marks, OptionRect(top), key, id, nullptr, kAlways};
}
constexpr PageControl Check(int textRow, int box) {
  return {K::kCheckBox, textRow, 2 * box, kCheckBoxRects[box], 0, kIdCheck0 + box, nullptr,
          kAlways};
}
constexpr PageControl Edit(ControlRect r) { return {K::kEdit, -1, -1, r, 0, 0, nullptr, kAlways}; }
constexpr PageControl kBar = {K::kProgressBar, -1, -1, kBarRect, 0, 0, nullptr, kAlways};

// Buttons by position (0-2 bottom, 3 wide), their first picture row and label.
constexpr PageControl Button(int position, int pictures, wchar_t key, const wchar_t* name,
                             ControlRule rule = kAlways) {
  return {K::kButton, -1, pictures, kButtonRects[position], key, 2 + 2 * position, name, rule};
}
constexpr PageControl kBack = Button(0, 0, L'B', L"뒤로");
constexpr PageControl kNext = Button(1, 5, L'N', L"다음");
// The Exit picture says X; only the start page answers X, the others C.
constexpr PageControl kExitC = Button(2, 10, L'C', L"종료");
constexpr PageControl kCancel = Button(2, 20, L'C', L"취소");

const PageControl kStart[] = {
    TitleRow(0), TextRow(1), TextRow(2),
    kNext, Button(2, 10, L'X', L"종료"),
};
const PageControl kChoice[] = {
    TitleRow(3), TextRow(4),
    Option(5, 0, 120, L'M', kIdOption0), TextRow(8), TextRow(9),
    Option(6, 6, 210, L'E', kIdOption1), TextRow(10),
    Option(7, 12, 300, L'R', kIdOption2), TextRow(11),
    kBack, kNext, kExitC,
};
const PageControl kModifyOptions[] = {
    TitleRow(34), TextRow(35),
    Check(36, 0), Check(37, 1), Check(38, 2),
    SpaceLine(39), SpaceLine(40), SpaceLine(41),
    kBack, kNext, kExitC,
};
const PageControl kRepairProgress[] = {
    TitleRow(45), TextRow(46), Caption(47), kBar, kCancel,
};
const PageControl kRemoveProgress[] = {
    TitleRow(48), TextRow(49), Caption(50), kBar, kCancel,
};
const PageControl kModifyProgress[] = {
    TitleRow(42), TextRow(43), Caption(44), kBar, kCancel,
};
const PageControl kLicence[] = {
    TitleRow(13), Edit(kLicenceBoxRect),
    Option(14, 18, 300, L'A', kIdAgree), Option(15, 24, 324, L'D', kIdDisagree),
    kBack, Button(1, 5, L'N', L"다음", ControlRule::kWhileNextEnabled), kExitC,
};
const PageControl kInstallType[] = {
    TitleRow(16), TextRow(17),
    Option(18, 30, 150, L'D', kIdFull), TextRow(20),
    Option(19, 36, 230, L'S', kIdCustom), TextRow(21),
    kBack, kNext, kExitC,
};
const PageControl kInstallFolder[] = {
    TitleRow(22), TextRow(23), TextRow(24), TextRow(25),
    Edit(kFolderBoxRect), Button(3, 25, L'R', L"찾아보기"),
    kBack, kNext, kExitC,
};
const PageControl kFeatures[] = {
    TitleRow(26), TextRow(27),
    Check(28, 0), Check(29, 1), Check(30, 2),
    SpaceLine(31), SpaceLine(32), SpaceLine(33),
    kBack, kNext, kExitC,
};
const PageControl kInstallProgress[] = {
    TitleRow(51), TextRow(52), Caption(53), kBar, kCancel,
};
const PageControl kError[] = {
    TitleRow(83), TextRow(84), kExitC,
};
// The install group's rows; ShownTextRow moves them to the group shown.
const PageControl kCompletion[] = {
    TitleRow(79), TextRow(80), TextRow(81), TextRow(82), Button(2, 15, L'C', L"완료"),
};

template <int N>
constexpr PageControls Of(const PageControl (&t)[N]) {
  return {t, N};
}

}  // namespace

PageControls ControlsOf(uint32_t page) {
  switch (page & 31) {
    case 0: return Of(kStart);
    case 1: return Of(kChoice);
    case 2: return Of(kModifyOptions);
    case 3: return Of(kRepairProgress);
    case 4: return Of(kRemoveProgress);
    case 5: return Of(kModifyProgress);
    case 6: return Of(kLicence);
    case 7: return Of(kInstallType);
    case 8: return Of(kInstallFolder);
    case 9: return Of(kFeatures);
    case 11: return Of(kInstallProgress);
    case 16: return Of(kError);
    case 17: return Of(kCompletion);
    default: return {nullptr, 0};
  }
}

bool ControlActive(const PageControl& c) {
  return c.rule == ControlRule::kAlways || nextEnabled != 0;
}

const PageControl* ControlAt(uint32_t page, uint32_t x, uint32_t y) {
  const PageControls t = ControlsOf(page);
  for (int i = 0; i < t.count; ++i) {
    const PageControl& c = t.controls[i];
    if (c.id != 0 && ControlActive(c) && RectContains(c.rect, x, y)) return &c;
  }
  return nullptr;
}

const PageControl* FindControl(uint32_t page, ControlKind kind) {
  const PageControls t = ControlsOf(page);
  for (int i = 0; i < t.count; ++i) {
    if (t.controls[i].kind == kind) return &t.controls[i];
  }
  return nullptr;
}

// Only the four groups exist; any other value (an operation that never set
// it) shows the install texts rather than rows that belong to other pages or
// lie past the tables.
int CompletionRow() {
  const uint32_t k = installState.completionTextIndex.load();
  switch (k) {
    case kCompletionModify:
    case kCompletionRepair:
    case kCompletionRemove:
    case kCompletionInstall:
      return static_cast<int>(k);
    default:
      return static_cast<int>(kCompletionInstall);
  }
}

int ShownTextRow(uint32_t page, const PageControl& c) {
  if ((page & 31) != 17 || c.textRow < 0) return c.textRow;
  return c.textRow - static_cast<int>(kCompletionInstall) + CompletionRow();
}

ControlRect BoundsOf(uint32_t page, const PageControl& c) {
  if (c.textRow < 0 || c.kind == ControlKind::kOption || c.kind == ControlKind::kCheckBox)
    return c.rect;
  const TextRect& r = textRects[ShownTextRow(page, c)];
  return {r.left, r.top, r.right - 1, r.bottom - 1};
}
