// UTF-8 / UTF-16 / wchar_t conversions and time formatting for kvpack.
#include "text.h"

#include "engine/name_check.h"
#include "engine/os_layer.h"
#include "engine/utf8_append.h"

#include <cstdio>
#include <type_traits>

namespace kvpack {

namespace {

// The well-formed UTF-8 sequence at text[i]: its length, with its code point
// in *c; 0 when there is none (a stray or overlong form, a surrogate, a value
// above U+10FFFF, a truncated sequence).
size_t Utf8SequenceAt(const std::string& text, size_t i, uint32_t* c) {
  const uint8_t b = static_cast<uint8_t>(text[i]);
  int extra;
  if (b < 0x80) { *c = b; return 1; }
  else if ((b & 0xE0) == 0xC0) { *c = b & 0x1F; extra = 1; }
  else if ((b & 0xF0) == 0xE0) { *c = b & 0x0F; extra = 2; }
  else if ((b & 0xF8) == 0xF0) { *c = b & 0x07; extra = 3; }
  else return 0;
  if (i + extra >= text.size()) return 0;  // truncated sequence
  for (int k = 1; k <= extra; ++k) {
    const uint8_t n = static_cast<uint8_t>(text[i + k]);
    if ((n & 0xC0) != 0x80) return 0;
    *c = (*c << 6) | (n & 0x3F);
  }
  static const uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (*c < kMin[extra] || *c > 0x10FFFF || (*c >= 0xD800 && *c < 0xE000)) return 0;
  return 1 + extra;
}

// Decodes UTF-8 into code points; false for malformed input.
template <typename Sink>
bool DecodeUtf8(const std::string& text, Sink sink) {
  size_t i = 0;
  while (i < text.size()) {
    uint32_t c = 0;
    const size_t length = Utf8SequenceAt(text, i, &c);
    if (length == 0) return false;
    sink(c);
    i += length;
  }
  return true;
}

void AppendUtf16(std::u16string& out, uint32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

template <typename Units, typename Sink>
void DecodeUtf16(const Units& text, Sink sink) {
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      uint32_t d = static_cast<uint32_t>(text[i + 1]);
      if (d >= 0xDC00 && d < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
    sink(c);
  }
}

}  // namespace

std::optional<std::u16string> Utf16FromUtf8(const std::string& text) {
  std::u16string out;
  if (!DecodeUtf8(text, [&](uint32_t c) { AppendUtf16(out, c); })) return std::nullopt;
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  AppendUtf8FromUtf16(out, text);
  return out;
}

void AppendUtf8FromUtf16(std::string& out, std::u16string_view text) {
  out.reserve(out.size() + 3 * text.size());  // each unit makes at most three bytes
  DecodeUtf16(text, [&](uint32_t c) { AppendUtf8(out, c); });
}

std::string Utf8FromWide(const std::wstring& text) {
  std::string out;
  DecodeUtf16(text, [&](uint32_t c) { AppendUtf8(out, c); });
  return out;
}

std::optional<std::wstring> WideFromUtf8(const std::string& text) {
  std::wstring out;
  bool ok = DecodeUtf8(text, [&](uint32_t c) {
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (c >> 10));
      out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  });
  if (!ok) return std::nullopt;
  return out;
}

std::wstring WideFromUtf16(const std::u16string& text) {
  return *WideFromUtf8(Utf8FromUtf16(text));
}

std::u16string WindowsNameKey(std::u16string_view name) {
  std::u16string key(name);
  for (char16_t& u : key) u = UpcasedUnit(u);
  return key;
}

std::string ShownText(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    uint32_t c = 0;
    const size_t length = Utf8SequenceAt(text, i, &c);
    if (length == 0) {
      const char escape[] = {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
      out.append(escape, sizeof escape);
      ++i;
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      out.append(escape, sizeof escape);
      i += length;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

void PrintShown(const char* label, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s: %s\n", label, ShownText(line).c_str());
}

std::filesystem::path PathFromUtf8(const std::string& text) { return std::filesystem::u8path(text); }

std::string Utf8FromPath(const std::filesystem::path& path) {
  // path::u8string() throws on Windows for a lone surrogate.
  if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>) return Utf8FromWide(path.wstring());
  else return path.string();
}

std::optional<std::u16string> Utf16FromPath(const std::filesystem::path& path) {
  if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>) {
    const std::wstring units = path.wstring();
    for (size_t i = 0; i < units.size(); ++i) {
      const bool high = units[i] >= 0xD800 && units[i] < 0xDC00;
      const bool low = units[i] >= 0xDC00 && units[i] < 0xE000;
      if (low || (high && !(i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)))
        return std::nullopt;
      if (high) ++i;
    }
    return std::u16string(units.begin(), units.end());
  } else {
    return Utf16FromUtf8(path.string());
  }
}

std::optional<std::wstring> WideFromPath(const std::filesystem::path& path) {
  if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>) return path.wstring();
  else return WideFromUtf8(path.string());
}

// The calendar by arithmetic (days to civil date, proleptic Gregorian), not
// gmtime: the same text on every platform for every value (the Windows C
// library refuses years past 3000) and no C library lock per entry when a
// report lists a thousand.
void AppendFileTime(std::string& out, uint64_t fileTime) {
  if (fileTime < os::kUnixEpochAsFileTime) {
    out += "before 1970";
    return;
  }
  const uint64_t seconds = (fileTime - os::kUnixEpochAsFileTime) / 10000000;
  const uint64_t days = seconds / 86400, second = seconds % 86400;
  const uint64_t z = days + 719468, era = z / 146097, dayOfEra = z % 146097;
  const uint64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const uint64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const uint64_t mp = (5 * dayOfYear + 2) / 153;
  const uint64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const uint64_t month = mp < 10 ? mp + 3 : mp - 9;
  const uint64_t year = yearOfEra + era * 400 + (month <= 2);
  char text[40];
  const int n = std::snprintf(text, sizeof text, "%04llu-%02llu-%02llu %02llu:%02llu:%02llu",
                              static_cast<unsigned long long>(year), static_cast<unsigned long long>(month),
                              static_cast<unsigned long long>(day),
                              static_cast<unsigned long long>(second / 3600),
                              static_cast<unsigned long long>(second / 60 % 60),
                              static_cast<unsigned long long>(second % 60));
  out.append(text, static_cast<size_t>(n));
}

std::string FormatFileTime(uint64_t fileTime) {
  std::string out;
  AppendFileTime(out, fileTime);
  return out;
}

}  // namespace kvpack
