// The session and taskbar status of the wizard's operation. An operation
// runs from its progress page's first tick until its worker ends: the worker
// then switches to page 16 or 17, or, stopped by Cancel, clears its handle
// and leaves the page as it is. A session that ends meanwhile would leave an
// installation without its fonts, MR files and record, so it is refused; a
// forced end leaves it as a killed run, which a new run completes.
#include "operation_status.h"

#include "engine/install_state.h"
#include "page_table.h"
#include "session_guard.h"
#include "shell_state.h"
#include "skin_draw.h"

namespace {

bool IsProgressPage(uint32_t page) {
  return page == kPageRepairProgress || page == kPageRemoveProgress || page == kPageModifyProgress ||
         page == kPageInstallProgress;
}

OperationStatus CurrentStatus() {
  return StatusOf(currentPage, pageEntered, installState.workerThread.load() != nullptr,
                  installState.progressPos.load(), installState.progressTotal.load());
}

}  // namespace

OperationStatus StatusOf(uint32_t page, bool entered, bool workerAlive, uint64_t pos, uint64_t total) {
  if (IsProgressPage(page) && entered) return {workerAlive, TaskbarLook::kNormal, BarLengthFor(pos, total)};
  if (page == kPageErrorPage) {
    // A package refused on the start page has no bar: an error without a
    // length would show nothing on the button.
    return {false, TaskbarLook::kError, total != 0 ? BarLengthFor(pos, total) : kTaskbarBarTotal};
  }
  // The completion page and the pages before an operation show no progress.
  return {false, TaskbarLook::kNone, 0};
}

void MirrorOperationStatus(HWND window) {
  const OperationStatus status = CurrentStatus();
  ShowSessionBlock(window, status.blocksSessionEnd);
  ShowTaskbarProgress(window, status.taskbar, status.barDone, kTaskbarBarTotal);
}

bool SessionMayEnd(HWND window) {
  const OperationStatus status = CurrentStatus();
  ShowSessionBlock(window, status.blocksSessionEnd);
  return !status.blocksSessionEnd;
}
