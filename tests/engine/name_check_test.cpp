// The name checker that guards every name taken from the package: hostile
// font names are refused, ordinary ones (Korean, blanks, extra dots, names
// that only start like a device) are decoded unchanged.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/name_check.h"
#include "engine/package_format.h"

namespace {

// A 72-byte name field holding the given UTF-16 units, zero-filled behind
// them (so a name of 36 units has no terminator).
struct NameField {
  uint8_t bytes[pkg::kFontNameBytes] = {};
  explicit NameField(const std::u16string& units) {
    for (size_t i = 0; i < units.size() && i < pkg::kFontNameBytes / 2; ++i) {
      bytes[2 * i] = uint8_t(units[i]);
      bytes[2 * i + 1] = uint8_t(units[i] >> 8);
    }
  }
};

// The same units as a wide string (surrogate pairs combined where wchar_t is
// 32-bit), cut at the first NUL like any C string.
std::wstring Wide(const std::u16string& units) {
  std::wstring out;
  for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
    const char16_t u = units[i];
    if (sizeof(wchar_t) >= 4 && u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() &&
        units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      out += wchar_t(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      out += wchar_t(u);
    }
  }
  return out;
}

struct NameCase {
  const char* what;
  std::u16string units;
};

const NameCase kHostile[] = {
    {"empty", u""},
    {"dot", u"."},
    {"dot dot", u".."},
    {"climbs with backslashes", u"a\\..\\b"},
    {"climbs out of Fonts", u"..\\..\\Korvane.exe"},
    {"leading slash", u"/x"},
    {"slash inside", u"x/y.ttf"},
    {"backslash inside", u"x\\y.ttf"},
    {"drive relative", u"C:x"},
    {"drive absolute", u"C:\\Windows\\x.dll"},
    {"UNC share", u"\\\\srv\\s"},
    {"alternate stream", u"x.ttf:ads"},
    {"default stream", u"x.ttf::$DATA"},
    {"device CON", u"CON"},
    {"device con lower", u"con"},
    {"device nul with extension", u"nul.ttf"},
    {"device with two extensions", u"NUL.tar.gz"},
    {"device with blank before extension", u"CON .ttf"},
    {"device PRN", u"PRN.ftb"},
    {"device AUX", u"Aux"},
    {"device COM1", u"COM1"},
    {"device com9 with extension", u"com9.ttf"},
    {"device COM superscript one", u"COM\u00B9"},
    {"device LPT1", u"LPT1"},
    {"device lpt0 with extension", u"lpt0.ttf"},
    {"device CONIN$", u"CONIN$"},
    {"trailing dot", u"font.ttf."},
    {"trailing blank", u"font.ttf "},
    {"less than", u"a<b.ttf"},
    {"greater than", u"a>b.ttf"},
    {"quote", u"a\"b.ttf"},
    {"pipe", u"a|b.ttf"},
    {"question mark", u"a?b.ttf"},
    {"star", u"*.ttf"},
    {"tab", u"a\tb.ttf"},
    {"unit separator", u"a\x1F.ttf"},
    {"empty, stale bytes behind the terminator", std::u16string(u"\0Gulim.ttf", 10)},
    {"hostile before the terminator, sound behind", std::u16string(u"..\0Gulim.ttf", 12)},
    {"lone high surrogate", u"a\xD834.ttf"},
    {"lone low surrogate", u"a\xDD1E.ttf"},
    {"36 units, no terminator", std::u16string(36, u'a')},
    {"short name as Windows makes it", u"ABCDEF~1.TTF"},
    {"short name as Wine makes it", u"abcd~ete.ttf"},
    {"short name without extension", u"KV~1"},
    {"short name of eight units", u"\uB098\uB214~1234.ttf"},
};

const NameCase kAccepted[] = {
    {"plain", u"Gulim.ttf"},
    {"Korean", u"\uB098\uB214\uACE0\uB515.ttf"},
    {"blanks inside", u"Malgun Gothic Bold.ttf"},
    {"double dot inside", u"a..b.ttf"},
    {"leading dot", u".hidden"},
    {"only starts like a device", u"CONSOLE.ttf"},
    {"COM10 is no device", u"COM10.ttf"},
    {"LPT without digit", u"LPT.ttf"},
    {"device name later in the name", u"font.con"},
    {"one unit", u"x"},
    {"35 units", std::u16string(35, u'b')},
    {"surrogate pair", u"\xD834\xDD1E.ttf"},
    {"tilde in a long name", u"Nanum~Gothic.ttf"},
    {"tilde before a long extension", u"KV~1.woff"},
    {"tilde in the extension", u"font.t~f"},
    // The name ends at its first NUL; what a builder left behind it is no part
    // of it, whatever it spells.
    {"stale text behind the terminator", std::u16string(u"a.ttf\0.exe", 10)},
    {"hostile text behind the terminator", std::u16string(u"Gulim.ttf\0..\\..\\x.exe", 21)},
    {"stale bytes up to the field's end", std::u16string(u"b.ttf\0", 6) + std::u16string(30, u'\xFFFF')},
};

TEST(NameCheck, RefusesEveryHostileFontNameField) {
  for (const NameCase& c : kHostile) {
    NameField field(c.units);
    wchar_t out[40];
    EXPECT_FALSE(DecodeFontName(field.bytes, out, 40)) << c.what;
  }
}

TEST(NameCheck, RefusesHostileNamesGivenDirectly) {
  // The same names as wide strings, for the checker alone. Names whose fault
  // lives in the field (empty before a NUL, no terminator) are checked there.
  for (const NameCase& c : kHostile) {
    if (c.units.find(u'\0') != std::u16string::npos || c.units.size() == 36) continue;
    EXPECT_FALSE(IsSafeFileName(Wide(c.units).c_str())) << c.what;
  }
  EXPECT_FALSE(IsSafeFileName(std::wstring(36, L'a').c_str())) << "36 units";
  EXPECT_FALSE(IsSafeFileName(nullptr));
}

TEST(NameCheck, DecodesOrdinaryNamesUnchanged) {
  for (const NameCase& c : kAccepted) {
    NameField field(c.units);
    wchar_t out[40] = {};
    ASSERT_TRUE(DecodeFontName(field.bytes, out, 40)) << c.what;
    EXPECT_EQ(Wide(c.units), std::wstring(out)) << c.what;
    EXPECT_TRUE(IsSafeFileName(out)) << c.what;
  }
}

TEST(NameCheck, CountsSurrogatePairsAsTwoUnits) {
  // 17 pairs + 1 unit = 35 units fits; 18 pairs = 36 units do not.
  std::u16string fits, tooLong;
  for (int i = 0; i < 17; ++i) fits += u"\xD834\xDD1E";
  fits += u"x";
  for (int i = 0; i < 18; ++i) tooLong += u"\xD834\xDD1E";
  EXPECT_TRUE(IsSafeFileName(Wide(fits).c_str()));
  EXPECT_FALSE(IsSafeFileName(Wide(tooLong).c_str()));
}

TEST(NameCheck, RefusesAnOutputBufferTooSmallForTheField) {
  NameField field(u"Gulim.ttf");
  wchar_t out[35];
  EXPECT_FALSE(DecodeFontName(field.bytes, out, 35));
}

}  // namespace

// Windows compares file names after upper-casing every unit by Unicode's
// simple mapping; the table is generated, so each shape of its runs is
// checked: single letters, ranges, alternating pairs (with the capitals
// between them left alone), title case, and what has no simple upper case.
TEST(NameCheck, UpcasesUnitsAsWindowsComparesNames) {
  const struct {
    char16_t unit, upcased;
  } cases[] = {
      {u'a', u'A'},       {u'z', u'Z'},       {u'A', u'A'},       {u'1', u'1'},
      {0x00E4, 0x00C4},   {0x00FF, 0x0178},   {0x00DF, 0x00DF},   // ä, ÿ; ß has none
      {0x0101, 0x0100},   {0x0100, 0x0100},   {0x012F, 0x012E},   // ā..į in pairs
      {0x01C5, 0x01C4},   {0x01C6, 0x01C4},   {0x0131, 0x0049},   // ǅ, ǆ, dotless ı
      {0x03C3, 0x03A3},   {0x03C2, 0x03A3},   {0x044F, 0x042F},   // σ, ς, я
      {0x0561, 0x0531},   {0x24D0, 0x24B6},   {0xAB70, 0x13A0},   // Armenian, Ⓐ, Cherokee
      {0xFF41, 0xFF21},   {0xAC00, 0xAC00},   {0x3131, 0x3131},   // fullwidth, Hangul
      {0xD801, 0xD801},   {0xDC28, 0xDC28},   {0xFFFF, 0xFFFF},   // surrogates stay
  };
  for (const auto& c : cases)
    EXPECT_EQ(uint32_t(UpcasedUnit(c.unit)), uint32_t(c.upcased)) << std::hex << uint32_t(c.unit);
}
