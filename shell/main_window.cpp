// The main window: its class, creation at the fixed outer size, the window
// procedure that routes the frame timer, keys and left button to the current
// page's handler slots (input only once the page has been entered), the
// shutdown order, and the message loop.
#include "main_window.h"

#include "accessible_events.h"
#include "accessible_page.h"
#include "engine/install_state.h"
#include "frame_gdi.h"
#include "operation_status.h"
#include "keyboard_return.h"
#include "page_table.h"
#include "shell_state.h"
#include "window_scale.h"

HINSTANCE appInstance = nullptr;
HWND mainWindow = nullptr;
wchar_t windowTitle[100] = {};
wchar_t className[100] = {};

namespace {

constexpr int kLargeIconId = 107;
constexpr int kSmallIconId = 108;
constexpr WPARAM kCommandIgnored = 104;
constexpr WPARAM kCommandClose = 105;
// A caption with system menu and minimise box: no maximise box, no sizing frame.
constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Centres the window on the primary screen by its client size.
void CentreWindow(HWND window) {
  RECT rc = {};
  GetClientRect(window, &rc);
  const int x = (GetSystemMetrics(SM_CXSCREEN) + rc.left - rc.right) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) + rc.top - rc.bottom) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

LRESULT OnCreate(HWND window) {
  SetLayeredWindowAttributes(window, kColourKey, 0, LWA_COLORKEY);
  // Every page draws into the back buffer; without it there is no window.
  if (!CreateFrameResources(window)) return -1;
  TakeWindowDpi(window);
  SetTimer(window, kFrameTimerId, kFrameTimerMs, nullptr);
  repaintFlag = -1;
  CentreWindow(window);
  return 0;
}

// A page's keys, buttons and pointer act on the state its enter handler (the
// first tick of its row) sets: the choice page takes the recorded folder and
// resets the choice, the licence page starts from do-not-agree. A timer
// message is only delivered once no input is waiting, so input typed ahead of
// a switch reaches the new page's handlers before that tick. The rule: input
// that reaches a page before it has been entered is dropped, as input reaches
// no dialog before it is shown.
void RunTick(HWND window) {
  const uint32_t rows = rowsInstalled;
  tickHandler(window);
  // An enter handler that switched on (the start page to the error page, the
  // pass-through page) has not entered the page now current.
  if (rowsInstalled == rows) pageEntered = true;
  MirrorOperationStatus(window);
  AnnounceAccessibleChanges(window);
  TakeKeyboardBackAfterInstaller(window);
}

void OnDestroy() {
  installState.runFlag.store(0);
  DisconnectAccessibleObject();
  DestroyFrameResources();
  PostQuitMessage(0);
}

}  // namespace

void RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kLargeIconId));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = className;
  wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(kSmallIconId));
  RegisterClassExW(&wc);
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
  appInstance = instance;
  InstallPageRow(kPageStart);

  // The outer size is whatever frame and caption this system draws around a
  // client area of exactly the 664 x 436 frame at the display scale: every
  // page is laid out to its last row.
  const RECT outer = ScaleForNewWindow(kMainStyle, WS_EX_LAYERED);
  HWND window = CreateWindowExW(WS_EX_LAYERED, className, windowTitle, kMainStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 0;
  mainWindow = window;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return 1;
}

int RunMessageLoop() {
  MSG msg = {};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The pages hit-test in design pixels at every display scale.
  if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP)
    lParam = DesignPointer(lParam);
  switch (message) {
    case WM_NCCREATE:
      AllowTaskbarButtonMessage(window);  // before the window shows and gets its button
      break;
    case WM_CREATE:
      return OnCreate(window);
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      repaintFlag = -1;
      return 0;
    }
    case WM_ERASEBKGND:
      return 0;
    case WM_TIMER:
      RunTick(window);
      return 0;
    // Input before the page has been entered is dropped (see RunTick).
    case WM_KEYDOWN:
      if (pageEntered) keyHandler(window, wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (pageEntered) mouseMoveHandler(window, wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
      if (pageEntered) buttonDownHandler(window, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
      // The action first, then the press ends: a control keeps its pressed
      // look while its action runs. A press held across a switch ends here
      // without acting, so the window does not keep the mouse into the new page.
      if (pageEntered) {
        buttonUpHandler(window, wParam, lParam);
      } else if (GetCapture() == window) {
        ReleaseCapture();
      }
      hoverId = 0;
      return 0;
    case kMsgDpiChanged:
      OnDpiChanged(window, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case kMsgSwitchPage:
      InstallPageRow(static_cast<uint32_t>(wParam));
      return 0;
    // Not while an operation runs: the installation would stay half written.
    case WM_QUERYENDSESSION:
      return SessionMayEnd(window) ? TRUE : FALSE;
    // The taskbar object goes while COM is still initialised (it ends after the loop).
    case WM_NCDESTROY:
      ReleaseTaskbarProgress();
      break;
    case WM_GETOBJECT:
      // Only the client area is ours; every other object is Windows' own.
      if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer = AnswerClientObject(window, wParam)) return answer;
      }
      break;
    case kMsgAccessibleAction:
      PerformAccessibleAction(window, wParam, lParam);
      return 0;
    case WM_COMMAND:
      if (wParam == kCommandIgnored) return 0;
      if (wParam == kCommandClose) {
        DestroyWindow(window);
        return 0;
      }
      break;
    default:
      if (TakeTaskbarButtonMessage(window, message)) return 0;
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
