// What the main window tells Windows about the wizard's operation, worked out
// from the page on every frame tick: whether the session may end (not while
// an operation's worker runs) and what the taskbar button shows.
#pragma once

#include <windows.h>

#include <cstdint>

#include "taskbar_progress.h"

constexpr uint32_t kTaskbarBarTotal = 588;  // the progress bar's full length

struct OperationStatus {
  bool blocksSessionEnd;
  TaskbarLook taskbar;
  uint32_t barDone;  // of kTaskbarBarTotal
};

// The status for the current page, whether it has been entered, whether an
// operation's worker thread is alive, and the progress words.
OperationStatus StatusOf(uint32_t page, bool entered, bool workerAlive, uint64_t pos, uint64_t total);

// The central step of every frame tick: sets or clears the block reason and
// the taskbar look when they change.
void MirrorOperationStatus(HWND window);

// The answer to WM_QUERYENDSESSION, with the block reason brought up to date.
bool SessionMayEnd(HWND window);
