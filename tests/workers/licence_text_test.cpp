// The licence text as the licence page's box shows it: heading line, CR LF
// line ends only, the maker and the product named, and its length.
#include <gtest/gtest.h>

#include <cwchar>

#include "wizard/licence_text.h"

namespace {

TEST(LicenceText, OpensWithTheHeadingLine) {
  const wchar_t heading[] = L"최종 사용자 사용권 계약서\r\n";
  EXPECT_EQ(wcsncmp(licenceText, heading, wcslen(heading)), 0);
}

TEST(LicenceText, EveryLineEndsInCrLf) {
  size_t lines = 0;
  for (size_t i = 0; licenceText[i] != 0; ++i) {
    if (licenceText[i] == L'\n') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(licenceText[i - 1], L'\r') << "bare LF at " << i;
      ++lines;
    } else if (licenceText[i] == L'\r') {
      EXPECT_EQ(licenceText[i + 1], L'\n') << "bare CR at " << i;
    }
  }
  EXPECT_GT(lines, 20u);
}

TEST(LicenceText, NamesTheMakerAndTheProductAndHasItsLength) {
  EXPECT_NE(wcsstr(licenceText, L"Velmora"), nullptr);
  EXPECT_NE(wcsstr(licenceText, L"Korvane"), nullptr);
  // Every character lies in the basic plane, so UTF-16 units and wchar_t
  // characters count alike.
  EXPECT_EQ(wcslen(licenceText), 1835u);
}

}  // namespace
