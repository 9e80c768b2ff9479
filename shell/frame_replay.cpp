// The list of drawing steps of the current page and its replay. A fixed list:
// the frame code allocates nothing while a page draws.
#include "frame_replay.h"

#include <algorithm>

#include "skin_draw.h"

namespace {

constexpr int kMaxSteps = 256;
DrawnStep steps[kMaxSteps];
int stepCount = 0;
bool replaying = false;

bool Inside(const DrawnStep& inner, const DrawnStep& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

DrawnStep* MakeRoom(const DrawnStep& covering, bool opaque) {
  if (replaying) return nullptr;
  if (opaque) {
    stepCount = static_cast<int>(
        std::remove_if(steps, steps + stepCount, [&](const DrawnStep& s) { return Inside(s, covering); }) -
        steps);
  }
  return stepCount < kMaxSteps ? &steps[stepCount++] : nullptr;
}

}  // namespace

void RecordDrawn(const DrawnStep& step) {
  if (DrawnStep* slot = MakeRoom(step, step.kind != DrawnStep::kText)) *slot = step;
}

void RecordDrawnText(int font, const wchar_t* line, int left, int top, int right, int bottom) {
  DrawnStep step = {};
  step.kind = DrawnStep::kText;
  step.font = font;
  step.left = left;
  step.top = top;
  step.right = right;
  step.bottom = bottom;
  int n = 0;
  for (; line[n] != 0 && n < kDrawnTextUnits - 1; ++n) step.text[n] = line[n];
  step.text[n] = 0;
  RecordDrawn(step);
}

void ForgetDrawn() {
  if (!replaying) stepCount = 0;
}

void ReplayDrawn(void (*drawText)(const DrawnStep&)) {
  replaying = true;
  for (int i = 0; i < stepCount; ++i) {
    const DrawnStep& s = steps[i];
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
