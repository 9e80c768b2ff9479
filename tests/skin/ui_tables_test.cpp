// The constant tables against the window's design: texts, rectangles and the
// positions and pictures of buttons, option marks and check marks.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "shell/skin_pictures.h"
#include "shell/ui_tables.h"

namespace {

TEST(UiTables, EveryTextRowPointsAtAString) {
  for (int k = 0; k < kUiTextRows; ++k) EXPECT_NE(uiTexts[k], nullptr) << "row " << k;
}

TEST(UiTables, RowsWithoutTextShareOneEmptyString) {
  const int empty[] = {12, 44, 47, 50, 53, 54, 60, 66, 70, 74, 78, 85, 86, 90, 97};
  for (int k : empty) {
    EXPECT_EQ(uiTexts[k], uiTexts[44]) << "row " << k;
    EXPECT_EQ(uiTexts[k][0], L'\0') << "row " << k;
  }
}

TEST(UiTables, KoreanTextsAreUtf16CodePoints) {
  // "Korvane 설치": 설 U+C124, 치 U+CE58, as the compiler must have read them.
  ASSERT_EQ(std::wcslen(uiTexts[0]), 10u);
  EXPECT_EQ(static_cast<uint32_t>(uiTexts[0][8]), 0xC124u);
  EXPECT_EQ(static_cast<uint32_t>(uiTexts[0][9]), 0xCE58u);
  // 오류: U+C624 U+B958.
  ASSERT_EQ(std::wcslen(kErrorCaption), 2u);
  EXPECT_EQ(static_cast<uint32_t>(kErrorCaption[0]), 0xC624u);
  EXPECT_EQ(static_cast<uint32_t>(kErrorCaption[1]), 0xB958u);
}

struct TextRow {
  int row;
  const wchar_t* text;
  TextRect rect;
};

TEST(UiTables, SampleRowsMatchTheDesign) {
  const TextRow rows[] = {
      {0, L"Korvane 설치", {60, 20, 634, 50}},
      {2, L"종료하시려면 [종료] 를 클릭하십시요.", {60, 230, 634, 260}},
      {8, L"추가할 새 프로그램 구성 요소을 선택하거나 설치된 구성 요소 중.", {124, 140, 634, 176}},
      {15, L"동의 안함(D)", {59, 317, 634, 347}},
      {23, L"설치 프로그램이 다음 폴더에 \"Korvane\"를  설치합니다.", {40, 80, 634, 110}},
      {31, L"필요한 공간 %0.2fGB (드라이브:%C)", {40, 278, 634, 300}},
      {39, L"필요한 공간 %0.2fMB (드라이브:%C)", {40, 278, 634, 300}},
      {53, L"", {35, 180, 634, 220}},
      {67, L"수정 완료", {40, 20, 634, 50}},
      {82, L"\"Korvane\"를 설치해 주셔서 감사합니다.", {40, 190, 634, 240}},
      {84, L"\"Korvane\"를 컴퓨터에 설치중 오류가 발생 되었습니다.", {40, 80, 634, 110}},
      {86, L"", {40, 190, 634, 240}},
  };
  for (const TextRow& t : rows) {
    EXPECT_STREQ(uiTexts[t.row], t.text) << "row " << t.row;
    const TextRect& r = textRects[t.row];
    EXPECT_EQ(r.left, t.rect.left) << "row " << t.row;
    EXPECT_EQ(r.top, t.rect.top) << "row " << t.row;
    EXPECT_EQ(r.right, t.rect.right) << "row " << t.row;
    EXPECT_EQ(r.bottom, t.rect.bottom) << "row " << t.row;
  }
}

TEST(UiTables, CompletionPagesShowFourLinesOnlyAfterAnInstall) {
  for (int c : {67, 71, 75}) {
    EXPECT_STREQ(uiTexts[c + 2], uiTexts[69]);
    EXPECT_EQ(uiTexts[c + 3][0], L'\0') << c;
  }
  EXPECT_NE(uiTexts[82][0], L'\0');
}

TEST(UiTables, OptionDescriptionsStartRightOfTheIcons) {
  // The 39 x 40 option icons stand at x 62-100.
  for (int row = 8; row <= 11; ++row) EXPECT_GT(textRects[row].left, 100) << row;
}

TEST(UiTables, OpenFailureMessagesNameTheFile) {
  EXPECT_STREQ(kOpenFailureMessages[0], L"KVSetup.dat 파일이 없습니다.");
  EXPECT_STREQ(kOpenFailureMessages[5], L"KVSetup.dat CRC 오류");
  EXPECT_STREQ(kOpenFailureMessages[7], L"KVSetup.d0x 파일 크기 오류");
  for (const wchar_t* m : kOpenFailureMessages) EXPECT_EQ(std::wcsncmp(m, L"KVSetup.d", 9), 0);
}

struct ButtonGroup {
  int firstRow;
  uint32_t x, y, width;
  const uint32_t* looks;  // the group's five pictures, one after another
};

TEST(UiTables, ButtonRowsUseTheirGroupPicturesInLookOrder) {
  const int narrow = skin::kButtonWidth * skin::kButtonHeight;
  const int wide = skin::kWideButtonWidth * skin::kButtonHeight;
  const ButtonGroup groups[] = {
      {0, 333, 393, 85, skin::buttonBack[0]},    {5, 422, 393, 85, skin::buttonNext[0]},
      {10, 511, 393, 85, skin::buttonExit[0]},   {15, 511, 393, 85, skin::buttonFinish[0]},
      {20, 511, 393, 85, skin::buttonCancel[0]}, {25, 478, 290, 118, skin::buttonBrowse[0]},
  };
  for (const ButtonGroup& g : groups) {
    const int size = g.width == 85 ? narrow : wide;
    for (int look = 0; look < 5; ++look) {
      const ButtonImage& b = buttonImages[g.firstRow + look];
      EXPECT_EQ(b.x, g.x) << g.firstRow + look;
      EXPECT_EQ(b.y, g.y) << g.firstRow + look;
      EXPECT_EQ(b.width, g.width) << g.firstRow + look;
      EXPECT_EQ(b.picture, g.looks + look * size) << g.firstRow + look;
    }
  }
}

TEST(UiTables, OptionMarkPositionsShareTheSixLooks) {
  const uint32_t pos[7][2] = {{34, 120}, {34, 210}, {34, 300}, {34, 300}, {34, 324}, {34, 150}, {34, 230}};
  for (int p = 0; p < 7; ++p) {
    for (int look = 0; look < 6; ++look) {
      const MarkImage& m = optionMarks[p * 6 + look];
      EXPECT_EQ(m.x, pos[p][0]);
      EXPECT_EQ(m.y, pos[p][1]) << p * 6 + look;
      EXPECT_EQ(m.picture, skin::optionMarkLooks[look]) << p * 6 + look;
    }
  }
}

TEST(UiTables, CheckMarksAlternateEmptyAndTicked) {
  for (int k = 0; k < 3; ++k) {
    for (int look = 0; look < 2; ++look) {
      const MarkImage& m = checkMarks[2 * k + look];
      EXPECT_EQ(m.x, 40u);
      EXPECT_EQ(m.y, 130u + 30u * k);
      EXPECT_EQ(m.picture, skin::checkMarkLooks[look]);
    }
  }
}

}  // namespace
