// Accessibility events of the main window, from one comparison per tick
// instead of calls through every page.
#include "accessible_events.h"

#include <cwchar>

#include "accessible_children.h"
#include "engine/install_state.h"
#include "page_table.h"
#include "shell_state.h"

namespace {

constexpr DWORD kCaptionIntervalMs = 250;

// What was last announced for the page entered as row installation `rows`.
struct Announced {
  uint32_t rows = 0;
  int focus = -1;
  int option = -1;
  uint32_t flags = 0;
  int nextEnabled = 0;
  int percent = -1;
  wchar_t caption[kPathUnits] = {};
  DWORD captionTime = 0;
};
Announced announced;

void Raise(HWND window, DWORD event, int childId) {
  if (childId != 0) NotifyWinEvent(event, window, OBJID_CLIENT, childId);
}

int Percent() {
  return WholePercent(installState.progressPos.load(), installState.progressTotal.load());
}

}  // namespace

void AnnounceAccessibleChanges(HWND window) {
  if (!pageEntered) return;
  const PageChildren children = ChildrenOf(currentPage, window);
  if (announced.rows != rowsInstalled) {
    // The page's first tick: the reader is told where the focus is.
    announced = Announced{};
    announced.rows = rowsInstalled;
    announced.focus = focusButton;
    announced.option = selectedOption;
    announced.flags = installState.featureFlags.load();
    announced.nextEnabled = nextEnabled;
    announced.percent = Percent();
    CopyStepCaption(announced.caption);
    announced.captionTime = GetTickCount();
    Raise(window, EVENT_OBJECT_FOCUS, FocusedChildId(children));
    return;
  }

  const uint32_t flags = installState.featureFlags.load();
  for (int i = 0; i < children.count; ++i) {
    const PageControl& c = *children.controls[i];
    const int id = i + 1;
    switch (c.kind) {
      case ControlKind::kOption: {
        const int index = OptionIndex(currentPage, &c);
        if (selectedOption != announced.option &&
            (index == selectedOption || index == announced.option))
          Raise(window, EVENT_OBJECT_STATECHANGE, id);
        break;
      }
      case ControlKind::kCheckBox:
        if ((flags ^ announced.flags) & (1u << (c.id - kIdCheck0)))
          Raise(window, EVENT_OBJECT_STATECHANGE, id);
        break;
      case ControlKind::kButton:
        if (c.rule == ControlRule::kWhileNextEnabled && nextEnabled != announced.nextEnabled)
          Raise(window, EVENT_OBJECT_STATECHANGE, id);
        break;
      case ControlKind::kProgressBar: {
        const int percent = Percent();
        if (percent != announced.percent) {
          announced.percent = percent;
          Raise(window, EVENT_OBJECT_VALUECHANGE, id);
        }
        break;
      }
      case ControlKind::kCaption: {
        const DWORD now = GetTickCount();
        if (now - announced.captionTime < kCaptionIntervalMs) break;
        wchar_t caption[kPathUnits];
        CopyStepCaption(caption);
        if (wcscmp(caption, announced.caption) == 0) break;
        wcsncpy(announced.caption, caption, kPathUnits);
        announced.captionTime = now;
        Raise(window, EVENT_OBJECT_NAMECHANGE, id);
        break;
      }
      default: break;
    }
  }
  announced.option = selectedOption;
  announced.flags = flags;
  announced.nextEnabled = nextEnabled;
  if (focusButton != announced.focus) {
    announced.focus = focusButton;
    Raise(window, EVENT_OBJECT_FOCUS, FocusedChildId(children));
  }
}
