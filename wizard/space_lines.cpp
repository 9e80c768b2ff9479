// Formatting of the feature pages' space lines from the install state.
#include "space_lines.h"

#include <cwchar>

#include "engine/install_state.h"
#include "shell/frame_gdi.h"
#include "shell/ui_tables.h"

namespace {

constexpr double kBytesToGigabytes = 1.0 / 1073741824.0;  // 2^-30, exact

// Megabytes each item of page 2 needs, kept single precision and added up in double.
constexpr float kDesktopLinksMegabytes = 0.01f;
constexpr float kStartMenuLinksMegabytes = 0.01f;
constexpr float kFtdiDriverMegabytes = 3.48f;

double RequiredMegabytes(uint32_t flags) {
  double sum = 0;
  if (flags & kFeatureDesktopLinks) sum += kDesktopLinksMegabytes;
  if (flags & kFeatureStartMenuLinks) sum += kStartMenuLinksMegabytes;
  if (flags & kFeatureFtdiDriver) sum += kFtdiDriverMegabytes;
  return sum;
}

// Unsigned 64-bit to double keeps counts above 2^63 right.
double Gigabytes(uint64_t bytes) { return static_cast<double>(bytes) * kBytesToGigabytes; }

}  // namespace

bool FormatSpaceLine(int row, wchar_t (&line)[kSpaceLineUnits]) {
  line[0] = 0;
  double amount = 0;
  switch (row) {
    case 31: amount = Gigabytes(installState.requiredBytes); break;
    case 39: amount = RequiredMegabytes(installState.featureFlags.load()); break;
    case 32:
    case 40: amount = Gigabytes(installState.diskFreeBytes); break;
    case 33:
    case 41: amount = Gigabytes(installState.diskTotalBytes); break;
    default: return false;
  }
  // The drive letter goes as an int: "%C" reads a promoted character argument
  // with every runtime's printf (a narrow char on the Microsoft runtime, a
  // wide one elsewhere).
  const int drive = installState.installDir[0];
  const int n = swprintf(line, kSpaceLineUnits, uiTexts[row], amount, drive);
  if (n < 0 || n >= kSpaceLineUnits) {
    line[0] = 0;
    return false;
  }
  return true;
}

void DrawSpaceLine(int row) {
  wchar_t line[kSpaceLineUnits];
  if (FormatSpaceLine(row, line)) DrawTextLine(fontText, line, textRects[row]);
}
