// Entry-side pieces of the shell: the main window class, window and loop.
#pragma once

#include <windows.h>

extern HINSTANCE appInstance;
extern HWND mainWindow;
extern wchar_t windowTitle[100];
extern wchar_t className[100];

constexpr UINT kFrameTimerId = 1;
constexpr UINT kFrameTimerMs = 10;
constexpr UINT kColourKey = 0xCFCDCF;  // as COLORREF: red 0xCF, green 0xCD, blue 0xCF

void RegisterMainClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance, int showCommand);
int RunMessageLoop();
LRESULT CALLBACK MainWindowProc(HWND, UINT, WPARAM, LPARAM);
