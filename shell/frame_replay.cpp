// The list of drawing steps of the current page and its replay.
#include "frame_replay.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "skin_draw.h"

namespace {

std::vector<DrawnStep> steps;
bool replaying = false;

bool Inside(const DrawnStep& inner, const DrawnStep& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

}  // namespace

void RecordDrawn(DrawnStep step) {
  if (replaying) return;
  if (step.kind != DrawnStep::kText) {
    steps.erase(std::remove_if(steps.begin(), steps.end(),
                               [&](const DrawnStep& s) { return Inside(s, step); }),
                steps.end());
  }
  steps.push_back(std::move(step));
}

void ForgetDrawn() {
  if (!replaying) steps.clear();
}

void ReplayDrawn(void (*drawText)(const DrawnStep&)) {
  replaying = true;
  for (const DrawnStep& s : steps) {
    switch (s.kind) {
      case DrawnStep::kRows: FillRows(s.a, s.b); break;
      case DrawnStep::kPicture: DrawPicture(s.picture, s.left, s.top, s.w, s.h); break;
      case DrawnStep::kTrough: DrawProgressTrough(s.a); break;
      case DrawnStep::kBar: DrawProgressBar(s.a, static_cast<uint32_t>(s.b)); break;
      case DrawnStep::kText: if (drawText) drawText(s); break;
    }
  }
  replaying = false;
}
