// How Windows compares file names: ordinally after upper-casing each UTF-16
// unit by the simple (one to one) upper-case mapping of Unicode, the table
// that the file system and RtlUpcaseUnicodeChar use. The table is made at
// configure time from Unicode's own data (scripts/upcase-table).
#include "name_check.h"

#include <algorithm>
#include <iterator>

namespace {

struct UpcaseRun {
  uint16_t first, last;
  uint16_t delta;  // added modulo 65536
  uint8_t stride;  // 2: every other unit, the ones between map to themselves
};

constexpr UpcaseRun kUpcaseRuns[] = {
#include "upcase_table.inc"
};

}  // namespace

char16_t UpcasedUnit(char16_t unit) {
  const uint16_t u = unit;
  if (u < 0x80) return u >= u'a' && u <= u'z' ? static_cast<char16_t>(u - 0x20) : unit;
  // The last run that starts at or before u.
  const UpcaseRun* run = std::upper_bound(std::begin(kUpcaseRuns), std::end(kUpcaseRuns), u,
                                          [](uint16_t v, const UpcaseRun& r) { return v < r.first; });
  if (run == std::begin(kUpcaseRuns)) return unit;
  --run;
  if (u > run->last || (u - run->first) % run->stride != 0) return unit;
  return static_cast<char16_t>(static_cast<uint16_t>(u + run->delta));
}
