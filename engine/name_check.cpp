// The one checker for names that come from the package (the font names): a
// name is used only when it is a bare file name that stays inside its folder
// on every Windows file system, and the UTF-16LE name field is well formed.
#include "name_check.h"

#include <cwchar>

#include "package_format.h"

namespace {

constexpr uint32_t kHighSurrogateFirst = 0xD800;
constexpr uint32_t kLowSurrogateFirst = 0xDC00;
constexpr uint32_t kSurrogateEnd = 0xE000;

bool IsHighSurrogate(uint32_t u) { return u >= kHighSurrogateFirst && u < kLowSurrogateFirst; }
bool IsLowSurrogate(uint32_t u) { return u >= kLowSurrogateFirst && u < kSurrogateEnd; }

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }

// Case-insensitive comparison of the first n units of a with the text b.
bool SameLetters(const wchar_t* a, size_t n, const wchar_t* b) {
  size_t i = 0;
  for (; i < n && b[i] != 0; ++i)
    if (Upper(a[i]) != b[i]) return false;
  return i == n && b[i] == 0;
}

// Windows opens a device, not a file, for these names, whatever the extension
// and whatever blanks or dots stand before it ("nul.ttf", "CON .x", "com1").
bool IsDeviceName(const wchar_t* name) {
  size_t stem = 0;
  while (name[stem] != 0 && name[stem] != L'.') ++stem;
  while (stem > 0 && name[stem - 1] == L' ') --stem;
  static const wchar_t* const kPlain[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kPlain)
    if (SameLetters(name, stem, device)) return true;
  // COM0-9 and LPT0-9, also with the superscript digits 1-3 that Windows
  // folds to digits.
  if (stem == 4 && (SameLetters(name, 3, L"COM") || SameLetters(name, 3, L"LPT"))) {
    const wchar_t d = name[3];
    return (d >= L'0' && d <= L'9') || d == 0x00B9 || d == 0x00B2 || d == 0x00B3;
  }
  return false;
}

}  // namespace

// On a volume that keeps short names (the Windows 7 system drive does by
// default) a name of this shape may be the alias of another font's long
// name, and writing it would write over that font: two fonts, one file.
bool HasShortNameShape(const wchar_t* name) {
  const wchar_t* dot = std::wcschr(name, L'.');
  const size_t stem = dot ? size_t(dot - name) : std::wcslen(name);
  if (stem == 0 || stem > 8 || std::wmemchr(name, L'~', stem) == nullptr) return false;
  return dot == nullptr || (std::wcschr(dot + 1, L'.') == nullptr && std::wcslen(dot + 1) <= 3);
}

bool IsSafeFileName(const wchar_t* name) {
  if (name == nullptr || name[0] == 0) return false;
  size_t units = 0;  // UTF-16 units the name takes in the package field
  size_t length = 0;
  for (; name[length] != 0; ++length) {
    const uint32_t c = static_cast<uint32_t>(name[length]);
    if (c < 0x20) return false;
    switch (c) {
      case L'/': case L'\\': case L':': case L'<': case L'>':
      case L'"': case L'|': case L'?': case L'*':
        return false;
      default:
        break;
    }
    if (IsHighSurrogate(c)) {
      // Only a pair is a character; wchar_t is 16-bit on Windows.
      if (!IsLowSurrogate(static_cast<uint32_t>(name[length + 1]))) return false;
      ++length;
      units += 2;
      continue;
    }
    if (IsLowSurrogate(c) || c > 0x10FFFF) return false;
    units += c >= 0x10000 ? 2 : 1;
  }
  if (units > pkg::kFontNameMaxUnits) return false;
  // Windows drops a trailing dot or blank, so "a." and "a " would name "a";
  // this also refuses "." and "..".
  const wchar_t last = name[length - 1];
  if (last == L'.' || last == L' ') return false;
  return !IsDeviceName(name) && !HasShortNameShape(name);
}

bool DecodeFontName(const uint8_t* field, wchar_t* out, size_t outUnits) {
  constexpr size_t kFieldUnits = pkg::kFontNameBytes / 2;
  if (out == nullptr || outUnits < kFieldUnits) return false;
  out[0] = 0;
  size_t end = 0;  // index of the terminating NUL unit
  while (end < kFieldUnits && (field[2 * end] | field[2 * end + 1]) != 0) ++end;
  if (end == 0 || end == kFieldUnits) return false;  // empty or unterminated
  // The name ends at its first NUL, as every Windows call taking it reads it;
  // bytes behind it (a builder's stale buffer) are never part of a path.

  size_t o = 0;
  for (size_t i = 0; i < end; ++i) {
    uint32_t u = field[2 * i] | uint32_t(field[2 * i + 1]) << 8;
    if (IsLowSurrogate(u)) return false;
    if (IsHighSurrogate(u)) {
      if (i + 1 >= end) return false;
      const uint32_t low = field[2 * i + 2] | uint32_t(field[2 * i + 3]) << 8;
      if (!IsLowSurrogate(low)) return false;
      ++i;
      if (sizeof(wchar_t) >= 4) {
        out[o++] = static_cast<wchar_t>(0x10000 + ((u - kHighSurrogateFirst) << 10) +
                                        (low - kLowSurrogateFirst));
      } else {
        out[o++] = static_cast<wchar_t>(u);
        out[o++] = static_cast<wchar_t>(low);
      }
      continue;
    }
    out[o++] = static_cast<wchar_t>(u);
  }
  out[o] = 0;
  if (!IsSafeFileName(out)) {
    out[0] = 0;
    return false;
  }
  return true;
}
