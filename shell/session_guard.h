// The block reason that Windows shows for the main window while the session
// is asked to end during an operation (the refusal itself is the window
// procedure's answer to WM_QUERYENDSESSION). UI thread only.
#pragma once

#include <windows.h>

// Sets the reason when block turns true, removes it when it turns false;
// nothing when it is already so.
void ShowSessionBlock(HWND window, bool block);
