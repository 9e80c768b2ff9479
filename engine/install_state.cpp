// Storage of the process-wide InstallState and its caption helpers.
#include "install_state.h"

#include <cstdarg>
#include <cwchar>
#include <new>

InstallState installState;

void SetStepCaption(const wchar_t* text) {
  int i = 0;
  for (; i < kPathUnits - 1 && text[i] != 0; ++i)
    installState.stepCaption[i].store(text[i], std::memory_order_relaxed);
  installState.stepCaption[i].store(0, std::memory_order_release);
}

void CopyStepCaption(wchar_t* out) {
  int i = 0;
  for (; i < kPathUnits - 1; ++i) {
    out[i] = installState.stepCaption[i].load(std::memory_order_acquire);
    if (out[i] == 0) return;
  }
  out[i] = 0;
}

bool FormatPath(wchar_t (&out)[kPathUnits], const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vswprintf(out, kPathUnits, format, args);
  va_end(args);
  if (n < 0 || n >= kPathUnits) {
    out[0] = 0;
    return false;
  }
  return true;
}

void ResetInstallState() {
  installState.~InstallState();
  new (&installState) InstallState();
}
