// The taskbar button's progress through ITaskbarList3. The window runs
// elevated, so Explorer's announcement is let through the message filter
// (ChangeWindowMessageFilterEx, Windows 7, looked up at run time); on Vista
// the lookup fails, the taskbar object does not exist either, and nothing is
// shown. The object lives in the UI thread's apartment (CoInitialize at start).
#include "taskbar_progress.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include "user32_export.h"

namespace {

UINT buttonCreatedMessage = 0;
Microsoft::WRL::ComPtr<ITaskbarList3> taskbar;
// What the button shows now: a new button shows no progress.
TaskbarLook shownLook = TaskbarLook::kNone;
uint32_t shownDone = 0;

}  // namespace

void AllowTaskbarButtonMessage(HWND window) {
  buttonCreatedMessage = RegisterWindowMessageW(L"TaskbarButtonCreated");
  if (buttonCreatedMessage == 0) return;
  using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
  if (auto filter = User32Export<FilterFn>("ChangeWindowMessageFilterEx")) {
    filter(window, buttonCreatedMessage, MSGFLT_ALLOW, nullptr);
  }
}

bool TakeTaskbarButtonMessage(HWND, UINT message) {
  if (buttonCreatedMessage == 0 || message != buttonCreatedMessage) return false;
  // A restarted Explorer announces a new button: the old object served the old one.
  taskbar.Reset();
  shownLook = TaskbarLook::kNone;
  shownDone = 0;
  Microsoft::WRL::ComPtr<ITaskbarList3> made;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made))))
    return true;
  if (SUCCEEDED(made->HrInit())) taskbar = made;
  return true;
}

void ShowTaskbarProgress(HWND window, TaskbarLook look, uint32_t done, uint32_t total) {
  if (!taskbar) return;
  if (look == shownLook && (look == TaskbarLook::kNone || done == shownDone)) return;
  if (look == TaskbarLook::kNone) {
    taskbar->SetProgressState(window, TBPF_NOPROGRESS);
  } else {
    // The state first: a value given to a button without progress turns it
    // normal, which an error page would show for a moment.
    if (look != shownLook) {
      taskbar->SetProgressState(window, look == TaskbarLook::kError ? TBPF_ERROR : TBPF_NORMAL);
    }
    taskbar->SetProgressValue(window, done, total);
  }
  shownLook = look;
  shownDone = done;
}

void ReleaseTaskbarProgress() { taskbar.Reset(); }
