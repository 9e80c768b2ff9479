// Checks that a name taken from the package is a bare file name that stays
// inside its folder on every Windows file system.
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes a 72-byte UTF-16LE font name field into out (at least 36 units):
// the name is the text up to the first NUL unit; whatever follows it in the
// field is ignored. Returns false when the name is empty, unterminated within
// its field, or not a safe bare file name (see IsSafeFileName).
bool DecodeFontName(const uint8_t* field, wchar_t* out, size_t outUnits);

// True for a bare file name: no separators, drive colons, stream colons,
// device names, "." or "..", control characters, <>:"|?*, no trailing dot or
// blank, and not shaped like a short name (HasShortNameShape).
bool IsSafeFileName(const wchar_t* name);

// True for a name shaped like the 8.3 alias Windows gives a longer name
// ("ABCDEF~1.TTF"; Wine's are "ABCD~ETE.TTF"): a tilde among at most eight
// units before its one dot, or with no dot, and at most three after the dot.
bool HasShortNameShape(const wchar_t* name);

// The unit Windows puts in place of unit when it compares file names without
// regard to case (name_case.cpp): its simple upper case, for every script,
// not only ASCII. Surrogates stand for themselves, so characters beyond
// U+FFFF keep their case. Two names are one file when they are equal unit by
// unit after this: "KVGothic.ttf", "KVGOTHIC.TTF" and "kvgothic.ttf" are.
char16_t UpcasedUnit(char16_t unit);
