// The progress that the main window's taskbar button shows (Windows 7 on).
// Explorer announces the button with its registered "TaskbarButtonCreated"
// message; only then is the taskbar object made. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>

enum class TaskbarLook { kNone, kNormal, kError };

// Lets Explorer's announcement through to this elevated window. Call before
// the window is shown: the button is made when it first shows.
void AllowTaskbarButtonMessage(HWND window);

// True for Explorer's announcement, which (again after an Explorer restart)
// makes the taskbar object for window; false for any other message.
bool TakeTaskbarButtonMessage(HWND window, UINT message);

// Shows look with done of total; calls the taskbar only when it changes.
// Nothing while there is no taskbar object.
void ShowTaskbarProgress(HWND window, TaskbarLook look, uint32_t done, uint32_t total);

// Lets the taskbar object go while COM is still initialised (window end).
void ReleaseTaskbarProgress();
