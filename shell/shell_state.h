// The shell's process-wide words: current page, the five handler slots' page,
// the repaint flag and the control-look words that the pages and the drawing
// operations share. UI thread only: operation threads ask for a page switch
// through SwitchPage, which hands it to the UI thread.
#pragma once

#include <cstdint>

// Control ids (hoverId values): even = pointer over, odd = pressed.
constexpr int kIdButton0 = 2;   // bottom left, x 333
constexpr int kIdButton1 = 4;   // bottom middle, x 422
constexpr int kIdButton2 = 6;   // bottom right, x 511
constexpr int kIdButton3 = 8;   // wide button, page 8
constexpr int kIdOption0 = 10;  // three-way group, page 1
constexpr int kIdOption1 = 12;
constexpr int kIdOption2 = 14;
constexpr int kIdAgree = 16;    // page 6
constexpr int kIdDisagree = 18;
constexpr int kIdFull = 20;     // page 7
constexpr int kIdCustom = 22;
constexpr int kIdCheck0 = 24;   // press ids of the feature check boxes
constexpr int kIdCheck1 = 25;
constexpr int kIdCheck2 = 26;

extern uint32_t currentPage;
extern int repaintFlag;        // 0 shown; -1 after a switch or WM_PAINT; 1 after drawing
extern int hoverId;
extern int drawnHoverId;
extern int lastHoverId;
extern int focusButton;
extern int buttonImageBase[4];
extern int optionImageBase[3];
extern int selectedOption;

// Page-owned words shared by several pages.
extern int drawnOption;
extern uint32_t drawnFeatureFlags;
extern uint64_t drawnProgressPos;
extern uint32_t barLength;
extern int nextEnabled;

// The 664 x 436 back buffer, 0x00RRGGBB words, top-down.
constexpr int kFrameWidth = 664;
constexpr int kFrameHeight = 436;
extern uint32_t* backBuffer;
