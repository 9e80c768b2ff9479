// The keyboard back for the main window after the driver installer's window
// (a console program's) has closed.
#pragma once

#include <windows.h>

// Called after each frame tick. Once a driver installer run has ended, for a
// few seconds: while no other program's window holds the foreground, the main
// window is brought to the foreground and takes the keyboard focus (unless a
// box of its own has it).
void TakeKeyboardBackAfterInstaller(HWND window);
