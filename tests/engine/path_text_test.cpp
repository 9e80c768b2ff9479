// kvpack's path conversions on this platform's own names (UTF-16 units on
// Windows, bytes on POSIX): a name that is not valid text never throws (the
// staging walk sorts and prints every name it meets) and is told apart from
// one that can be stored in a package.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <type_traits>

#include "tools/kvpack/text.h"

namespace {

namespace fs = std::filesystem;

struct NameCase {
  const char* name;
  std::u16string units;  // the name on Windows
  std::string bytes;     // the same name on POSIX
  bool valid;
};

const NameCase kNames[] = {
    {"Korean", u"샘플글꼴.ttf", "샘플글꼴.ttf", true},
    {"SurrogatePair", u"a\U0001F600.ttf", "a\U0001F600.ttf", true},
    {"LoneHigh", {u'a', 0xD800, u'b'}, "a\xED\xA0\x80" "b", false},
    {"HighAtEnd", {u'a', 0xDBFF}, "a\xED\xAF\xBF", false},
    {"LoneLow", {0xDC00, u'.', u't'}, "\xED\xB0\x80.t", false},
    {"PairReversed", {0xDC00, 0xD800}, "\xFF\xFE", false},
};

fs::path NativePath(const NameCase& c) {
  if constexpr (std::is_same_v<fs::path::value_type, wchar_t>) return fs::path(std::wstring(c.units.begin(), c.units.end()));
  else return fs::path(c.bytes);
}

class PathText : public ::testing::TestWithParam<NameCase> {};

TEST_P(PathText, InvalidNamesAreToldApartWithoutThrowing) {
  const fs::path path = fs::path("Fonts") / NativePath(GetParam());
  std::string shown;
  ASSERT_NO_THROW(shown = kvpack::Utf8FromPath(path));
  EXPECT_NE(shown.find("Fonts"), std::string::npos);
  std::optional<std::u16string> units;
  ASSERT_NO_THROW(units = kvpack::Utf16FromPath(path.filename()));
  EXPECT_EQ(units.has_value(), GetParam().valid);
  if (GetParam().valid) {
    EXPECT_EQ(*units, GetParam().units);
    EXPECT_EQ(shown, "Fonts" + std::string(1, static_cast<char>(fs::path::preferred_separator)) + GetParam().bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Kvpack, PathText, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
