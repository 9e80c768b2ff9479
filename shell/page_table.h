// The page table: one row of five handlers per wizard page. SwitchPage copies
// a row into the current handler slots.
#pragma once

#include <windows.h>

#include <cstdint>

using TickHandler = void (*)(HWND);
using InputHandler = void (*)(HWND, WPARAM, LPARAM);

struct PageHandlers {
  TickHandler onTick;
  InputHandler onKey;
  InputHandler onMouseMove;
  InputHandler onButtonDown;
  InputHandler onButtonUp;
};

enum Page : uint32_t {
  kPageStart = 0, kPageChoice = 1, kPageModifyOptions = 2,
  kPageRepairProgress = 3, kPageRemoveProgress = 4, kPageModifyProgress = 5,
  kPageLicence = 6, kPageInstallType = 7, kPageInstallFolder = 8,
  kPageFeatures = 9, kPagePassThrough = 10, kPageInstallProgress = 11,
  kPageErrorPage = 16, kPageCompletionPage = 17,
};

constexpr int kPageRows = 32;
extern const PageHandlers pageTable[kPageRows];

// The five current slots.
extern TickHandler tickHandler;
extern InputHandler keyHandler;
extern InputHandler mouseMoveHandler;
extern InputHandler buttonDownHandler;
extern InputHandler buttonUpHandler;

// Rows installed so far, and whether the current page has been entered: false
// from its row's installation until a tick of that row (the page's enter
// handler) has returned without installing another one. The window procedure
// drops input that reaches a page not yet entered. UI thread only.
extern uint32_t rowsInstalled;
extern bool pageEntered;

// Installs row page & 31 on the UI thread (currentPage, slots, repaintFlag = -1,
// the page not yet entered).
void InstallPageRow(uint32_t page);

// Message the main window receives when another thread asks for a page switch.
constexpr UINT kMsgSwitchPage = WM_APP + 1;
