// The pages' control tables against the pictures and text rectangles drawn
// for them: a control whose hit rectangle drifts from its picture would take
// clicks where nothing is shown.
#include <gtest/gtest.h>

#include <cwchar>

#include "shell/ui_tables.h"
#include "wizard/page_controls.h"

namespace {

constexpr uint32_t kPages[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17};

// Where a control's picture lies and how large it is.
struct Picture {
  uint32_t x, y, width, height;
};

// Every look of the control's picture (5 per button, 6 per option, 2 per check box).
void ExpectPicturesAt(const PageControl& c, const Picture* looks, int count, int rows) {
  ASSERT_GE(c.pictureRow, 0);
  ASSERT_LE(c.pictureRow + count, rows);
  for (int k = 0; k < count; ++k) {
    const Picture& p = looks[c.pictureRow + k];
    EXPECT_EQ(c.rect.left, static_cast<int>(p.x)) << "picture row " << c.pictureRow + k;
    EXPECT_EQ(c.rect.top, static_cast<int>(p.y)) << "picture row " << c.pictureRow + k;
    EXPECT_EQ(c.rect.right - c.rect.left + 1, static_cast<int>(p.width));
    EXPECT_EQ(c.rect.bottom - c.rect.top + 1, static_cast<int>(p.height));
  }
}

TEST(PageControls, HitRectanglesLieOnTheirPicturesAndTextsOnTheirRows) {
  Picture buttons[kButtonImageRows], options[kOptionMarkRows], checks[kCheckMarkRows];
  for (int r = 0; r < kButtonImageRows; ++r)
    buttons[r] = {buttonImages[r].x, buttonImages[r].y, buttonImages[r].width, kButtonHeight};
  for (int r = 0; r < kOptionMarkRows; ++r) options[r] = {optionMarks[r].x, optionMarks[r].y, 16, 16};
  for (int r = 0; r < kCheckMarkRows; ++r) checks[r] = {checkMarks[r].x, checkMarks[r].y, 11, 11};
  // The label each button's pictures show.
  const wchar_t* const labels[] = {L"뒤로", L"다음", L"종료", L"완료", L"취소", L"찾아보기"};

  for (uint32_t page : kPages) {
    const PageControls t = ControlsOf(page);
    ASSERT_GT(t.count, 0) << "page " << page;
    for (int i = 0; i < t.count; ++i) {
      SCOPED_TRACE(testing::Message() << "page " << page << ", control " << i);
      const PageControl& c = t.controls[i];
      switch (c.kind) {
        case ControlKind::kButton:
          ExpectPicturesAt(c, buttons, 5, kButtonImageRows);
          ASSERT_EQ(c.pictureRow % 5, 0);
          EXPECT_STREQ(c.name, labels[c.pictureRow / 5]);
          break;
        case ControlKind::kOption:
          ExpectPicturesAt(c, options, 6, kOptionMarkRows);
          break;
        case ControlKind::kCheckBox:
          ExpectPicturesAt(c, checks, 2, kCheckMarkRows);
          break;
        default:
          break;
      }
      if (c.textRow >= 0) {
        ASSERT_LT(c.textRow, kTextRectRows);
        if (c.kind != ControlKind::kCaption) {
          EXPECT_NE(uiTexts[c.textRow][0], L'\0');
        }
        EXPECT_LT(textRects[c.textRow].left, textRects[c.textRow].right);
      }
      // One page's input rectangles never overlap: the hit test takes the first.
      for (int j = 0; c.id != 0 && j < i; ++j) {
        const ControlRect& a = c.rect;
        const ControlRect& b = t.controls[j].rect;
        if (t.controls[j].id == 0) continue;
        EXPECT_NE(c.id, t.controls[j].id);
        EXPECT_TRUE(a.right < b.left || b.right < a.left || a.bottom < b.top || b.bottom < a.top);
      }
    }
  }
}

}  // namespace
