// The main window's accessible object: WM_GETOBJECT for the client area is
// answered with an object whose children are the current page's texts and
// controls; their default actions run on the UI thread through the page's own
// handlers; the object is cut off from its clients when the window goes.
#pragma once

#include <windows.h>

// Posted by a default action: wParam the page, lParam the control's row in
// the page's table.
constexpr UINT kMsgAccessibleAction = WM_APP + 0x25;

// The LRESULT for WM_GETOBJECT(OBJID_CLIENT), or 0 when there is none (no
// oleacc.dll in System32, no memory): the window procedure then lets
// DefWindowProc answer.
LRESULT AnswerClientObject(HWND window, WPARAM wParam);

// A default action asked for by a client: a click on the control, centre of
// its rectangle, through the page's button handlers; dropped when the page is
// no longer the one asked about, has not been entered yet, or Ctrl is held
// (every page ignores its keys then).
void PerformAccessibleAction(HWND window, WPARAM page, LPARAM row);

// Disconnects every client and releases the object (WM_DESTROY): a late call
// fails instead of reaching freed state.
void DisconnectAccessibleObject();
