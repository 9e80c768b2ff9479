// Text conversions of kvpack: UTF-8 (file names on Linux, the terminal),
// UTF-16 (names stored in the package) and wchar_t (the engine's paths).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvpack {

// UTF-8 to UTF-16; nullopt for malformed UTF-8.
std::optional<std::u16string> Utf16FromUtf8(const std::string& text);
// UTF-16 (surrogate pairs combined) to UTF-8; lone surrogates become U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
void AppendUtf8FromUtf16(std::string& out, std::u16string_view text);
// wchar_t text (UTF-16 or UTF-32, whichever the platform uses) to UTF-8.
std::string Utf8FromWide(const std::wstring& text);
// UTF-8 to wchar_t text; nullopt for malformed UTF-8.
std::optional<std::wstring> WideFromUtf8(const std::string& text);
// UTF-16 to wchar_t text.
std::wstring WideFromUtf16(const std::u16string& text);

// Paths: kvpack's arguments and messages are UTF-8 on every platform, while a
// Windows path is UTF-16 inside; these convert without the ANSI code page.
std::filesystem::path PathFromUtf8(const std::string& text);
// Never throws: a Windows name with a lone surrogate shows U+FFFD there (as
// a POSIX name that is not UTF-8 keeps its bytes); for messages and order.
std::string Utf8FromPath(const std::filesystem::path& path);
// A path as UTF-16 when it is valid text (UTF-8 on POSIX, UTF-16 without
// lone surrogates on Windows), nullopt when not: such a name cannot be stored.
std::optional<std::u16string> Utf16FromPath(const std::filesystem::path& path);
// The engine's wide form of a path; nullopt when it is not valid text.
std::optional<std::wstring> WideFromPath(const std::filesystem::path& path);

// A file name as Windows compares it, ignoring case (UpcasedUnit on every
// unit): two names with the same key are one file there.
std::u16string WindowsNameKey(std::u16string_view name);

// Text for a terminal: every control character (C0, DEL and C1) as \u00XX,
// the way the JSON document escapes them, and any byte that is not part of
// well-formed UTF-8 as \xXX. A package's font names (and a staging tree's file
// names) are untrusted: an ESC in one would reach the terminal as a command.
std::string ShownText(const std::string& text);
// Prints each line as "label: line" on standard output, shown as ShownText
// shows it: the problem and warning lines of verify and bind.
void PrintShown(const char* label, const std::vector<std::string>& lines);

// A FILETIME (100 ns since 1601-01-01 UTC) as "YYYY-MM-DD hh:mm:ss", or
// "before 1970".
std::string FormatFileTime(uint64_t fileTime);
void AppendFileTime(std::string& out, uint64_t fileTime);

}  // namespace kvpack
