// The five current handler slots and page switching. A switch asked for on the
// UI thread installs the row at once; one asked for by an operation thread is
// posted to the main window, so that only the UI thread ever writes the slots.
#include <windows.h>

#include "engine/page_switch.h"
#include "main_window.h"
#include "page_table.h"
#include "shell_state.h"

TickHandler tickHandler = nullptr;
InputHandler keyHandler = nullptr;
InputHandler mouseMoveHandler = nullptr;
InputHandler buttonDownHandler = nullptr;
InputHandler buttonUpHandler = nullptr;
uint32_t rowsInstalled = 0;
bool pageEntered = false;

void InstallPageRow(uint32_t page) {
  const PageHandlers& row = pageTable[page & 31];
  currentPage = page;
  repaintFlag = -1;
  ++rowsInstalled;
  pageEntered = false;
  tickHandler = row.onTick;
  keyHandler = row.onKey;
  mouseMoveHandler = row.onMouseMove;
  buttonDownHandler = row.onButtonDown;
  buttonUpHandler = row.onButtonUp;
}

void SwitchPage(uint32_t page) {
  // Before the window exists (start-up) the caller is the UI thread.
  if (!mainWindow || GetWindowThreadProcessId(mainWindow, nullptr) == GetCurrentThreadId()) {
    InstallPageRow(page);
    return;
  }
  // The UI thread takes the new row at its next message. When the window is
  // already gone the post fails and nothing is left to show.
  PostMessageW(mainWindow, kMsgSwitchPage, static_cast<WPARAM>(page), 0);
}
