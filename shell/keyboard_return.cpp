// Taking the keyboard back after a driver installer: its console window took
// the foreground, and when it closes Windows (Wine above all) may hand the
// keyboard to nobody, so the completion page's C would be lost until a click.
#include "keyboard_return.h"

#include "engine/install_state.h"

namespace {

// Long enough for the console window to go after its program has ended.
constexpr DWORD kWatchMs = 3000;

uint32_t seenRuns = 0;
bool watching = false;
DWORD watchStart = 0;

// A window of another program holds the foreground: the user may have gone
// there, and it is not ours to take.
bool OtherProgramInFront(HWND foreground) {
  if (!foreground || foreground == GetDesktopWindow()) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process != GetCurrentProcessId();
}

}  // namespace

void TakeKeyboardBackAfterInstaller(HWND window) {
  const uint32_t runs = installState.installerRunsEnded.load();
  if (runs != seenRuns) {
    seenRuns = runs;
    watching = true;
    watchStart = GetTickCount();
  }
  if (!watching) return;
  if (GetTickCount() - watchStart > kWatchMs || IsIconic(window) || !IsWindowVisible(window)) {
    watching = false;
    return;
  }
  HWND foreground = GetForegroundWindow();
  if (OtherProgramInFront(foreground)) return;
  if (foreground != window) SetForegroundWindow(window);
  HWND focus = GetFocus();
  if (focus != window && !IsChild(window, focus)) SetFocus(window);
}
