// The main window's shutdown block reason. ShutdownBlockReasonCreate and
// ShutdownBlockReasonDestroy come with Windows Vista and are looked up at run
// time.
#include "session_guard.h"

#include "user32_export.h"

namespace {

constexpr wchar_t kBlockReason[] = L"Korvane 설치 작업이 진행 중입니다.";

// What was last asked for: a reason that Windows declined to take (Wine
// declines every one) is not asked for again on every tick.
bool reasonAsked = false;

}  // namespace

void ShowSessionBlock(HWND window, bool block) {
  if (block == reasonAsked) return;
  reasonAsked = block;
  // The reason only names why; the refusal does not depend on it.
  if (block) {
    using CreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
    if (auto create = User32Export<CreateFn>("ShutdownBlockReasonCreate")) create(window, kBlockReason);
  } else {
    using DestroyFn = BOOL(WINAPI*)(HWND);
    if (auto destroy = User32Export<DestroyFn>("ShutdownBlockReasonDestroy")) destroy(window);
  }
}
