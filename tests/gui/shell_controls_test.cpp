// Windows-side tests of the shell's page switching and the wizard's shared
// hit tests: rectangles with both ends included, the gaps between buttons,
// pointers left of or above the client area, a switch asked for by another
// thread reaching the UI thread as a message, and what the window tells
// Windows' session and taskbar on each page.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "engine/install_state.h"
#include "engine/page_switch.h"
#include "shell/main_window.h"
#include "shell/operation_status.h"
#include "shell/page_table.h"
#include "shell/shell_state.h"
#include "wizard/controls.h"
#include "wizard/pages.h"

namespace {

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

struct ButtonCase {
  int x, y;
  unsigned mask;
  int expected;
};

TEST(Controls, ButtonHitTestIncludesBothEndsAndNotTheGaps) {
  const ButtonCase cases[] = {
      {333, 393, 0x7, 0}, {417, 413, 0x7, 0}, {418, 400, 0x7, -1}, {421, 400, 0x7, -1},
      {422, 400, 0x7, 1}, {506, 400, 0x7, 1}, {507, 400, 0x7, -1}, {510, 400, 0x7, -1},
      {511, 400, 0x7, 2}, {595, 400, 0x7, 2}, {596, 400, 0x7, -1}, {460, 392, 0x7, -1},
      {460, 414, 0x7, -1},
      // Only the positions a page shows are controls.
      {350, 400, 0x6, -1}, {460, 400, 0x4, -1}, {550, 400, 0x4, 2},
      // The wide button of the install folder page.
      {478, 290, 0x8, 3}, {595, 310, 0x8, 3}, {477, 300, 0x8, -1}, {500, 311, 0x8, -1},
      {500, 300, 0x7, -1},
  };
  for (const ButtonCase& c : cases) {
    EXPECT_EQ(ButtonAt(PointerFrom(At(c.x, c.y)), c.mask), c.expected)
        << "(" << c.x << ", " << c.y << ") mask " << c.mask;
  }
}

TEST(Controls, PointerLeftOrAboveTheClientAreaHitsNothing) {
  // While the window holds the capture, x = -1 arrives as 0xFFFF in lParam.
  const LPARAM left = MAKELPARAM(static_cast<WORD>(-1), 400);
  const LPARAM above = MAKELPARAM(460, static_cast<WORD>(-5));
  EXPECT_EQ(PointerFrom(left).x, 0xFFFFu);
  EXPECT_EQ(ButtonAt(PointerFrom(left), 0xF), -1);
  EXPECT_EQ(ButtonAt(PointerFrom(above), 0xF), -1);
  EXPECT_EQ(CheckBoxAt(PointerFrom(above)), -1);
}

TEST(Controls, CheckBoxHitTest) {
  const struct {
    int x, y, expected;
  } cases[] = {{40, 130, 0}, {50, 140, 0}, {45, 141, -1}, {45, 160, 1}, {45, 170, 1},
               {45, 190, 2}, {50, 200, 2}, {39, 135, -1}, {51, 135, -1}, {45, 201, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(CheckBoxAt(PointerFrom(At(c.x, c.y))), c.expected) << c.x << ", " << c.y;
  }
}

// A session end is refused exactly while an operation's worker runs on its
// progress page; the taskbar button shows the page's bar, red on the error page.
TEST(OperationStatus, SessionEndWaitsOnlyForARunningWorker) {
  constexpr TaskbarLook kNone = TaskbarLook::kNone, kBar = TaskbarLook::kNormal, kRed = TaskbarLook::kError;
  const struct {
    uint32_t page;
    bool entered, worker;
    uint64_t pos, total;
    bool blocks;
    TaskbarLook look;
    uint32_t done;
  } cases[] = {
      {kPageInstallProgress, true, true, 50, 100, true, kBar, 294},
      {kPageRepairProgress, true, true, 0, 100, true, kBar, 0},
      {kPageRemoveProgress, true, true, 100, 100, true, kBar, 588},
      {kPageModifyProgress, true, true, 300, 100, true, kBar, 588},  // past its total
      {kPageRepairProgress, true, false, 50, 100, false, kBar, 294},  // stopped by Cancel
      {kPageInstallProgress, false, false, 0, 0, false, kNone, 0},    // before its first tick
      {kPageCompletionPage, true, true, 100, 100, false, kNone, 0},  // the worker is returning
      {kPageErrorPage, true, false, 25, 100, false, kRed, 147},
      {kPageErrorPage, true, false, 0, 0, false, kRed, 588},  // the start page's package check
      {kPageStart, true, false, 0, 0, false, kNone, 0},
      {kPageModifyOptions, true, false, 0, 0, false, kNone, 0},
  };
  for (const auto& c : cases) {
    const OperationStatus s = StatusOf(c.page, c.entered, c.worker, c.pos, c.total);
    EXPECT_EQ(s.blocksSessionEnd, c.blocks) << "page " << c.page << " worker " << c.worker;
    EXPECT_EQ(s.taskbar, c.look) << "page " << c.page;
    EXPECT_EQ(s.barDone, c.done) << "page " << c.page << " at " << c.pos << " of " << c.total;
  }
}

class PageSwitch : public ::testing::Test {
 protected:
  void SetUp() override {
    // An ordinary (hidden) top-level window: the folder page's box is its
    // child and a press takes its capture.
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 664, 436, nullptr, nullptr, nullptr,
                              nullptr);
    ASSERT_NE(window_, nullptr);
    mainWindow = window_;
    InstallPageRow(kPageStart);
  }
  void TearDown() override {
    mainWindow = nullptr;
    DestroyWindow(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(PageSwitch, OnTheUiThreadTheRowIsInstalledAtOnce) {
  repaintFlag = 0;
  SwitchPage(kPageCompletion);
  EXPECT_EQ(currentPage, kPageCompletion);
  EXPECT_EQ(repaintFlag, -1);
  EXPECT_EQ(tickHandler, &CompletionPageEnter);
  EXPECT_EQ(keyHandler, &EndPageKey);
  EXPECT_EQ(buttonUpHandler, &EndPageButtonUp);
}

TEST_F(PageSwitch, FromAnotherThreadTheUiThreadInstallsIt) {
  std::thread worker([] { SwitchPage(kPageError); });
  worker.join();
  // Nothing changed on the worker's side of the call.
  EXPECT_EQ(currentPage, kPageStart);
  EXPECT_EQ(tickHandler, &StartPageEnter);
  MSG msg = {};
  ASSERT_TRUE(PeekMessageW(&msg, window_, kMsgSwitchPage, kMsgSwitchPage, PM_REMOVE));
  MainWindowProc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  EXPECT_EQ(currentPage, kPageError);
  EXPECT_EQ(tickHandler, &ErrorPageEnter);
  EXPECT_EQ(mouseMoveHandler, &SingleButtonMouseMove);
}

TEST_F(PageSwitch, ReleaseWithoutCaptureOnlyClearsThePress) {
  hoverId = 5;
  EXPECT_EQ(EndPress(window_), 0);
  EXPECT_EQ(hoverId, 0);
}

// The folder dialog has no owner and runs its own loop, so the wizard can go
// on to the progress page meanwhile; its answer counts only while page 8 and
// its folder box are there.
TEST_F(PageSwitch, FolderDialogAnswerCountsOnlyOnTheFolderPage) {
  SwitchPage(kPageInstallFolder);
  InstallFolderEnter(window_);
  HWND box = FindWindowExW(window_, nullptr, L"EDIT", nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(TakeChosenFolder(L"C:\\Chosen"));
  EXPECT_STREQ(installState.installDir, L"C:\\Chosen");
  wchar_t shown[64] = {};
  GetWindowTextW(box, shown, 64);
  EXPECT_STREQ(shown, L"C:\\Chosen");

  InstallFolderKey(window_, kKeyN, 0);  // Next: page 9, the box is gone
  EXPECT_EQ(currentPage, kPageFeatures);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_FALSE(TakeChosenFolder(L"C:\\Late"));
  SwitchPage(kPageInstallFolder);  // back on page 8, before its enter tick made a box
  EXPECT_FALSE(TakeChosenFolder(L"C:\\Late"));
  EXPECT_STREQ(installState.installDir, L"C:\\Chosen");
  InstallFolderEnter(window_);
  EXPECT_TRUE(TakeChosenFolder(L"C:\\Again"));
  EXPECT_STREQ(installState.installDir, L"C:\\Again");
  InstallFolderKey(window_, kKeyB, 0);
}

// A release performs the action first and ends the press afterwards, so a
// control whose action runs a modal loop (Browse) shows its pressed look.
TEST_F(PageSwitch, ReleasedControlKeepsItsPressedLookWhileItsActionRuns) {
  static int heldId, idDuringAction;
  tickHandler = [](HWND) {};
  MainWindowProc(window_, WM_TIMER, kFrameTimerId, 0);  // the page has been entered
  buttonUpHandler = [](HWND window, WPARAM, LPARAM) {
    heldId = EndPress(window);
    idDuringAction = hoverId;
  };
  BeginPress(window_, 9);
  ASSERT_EQ(GetCapture(), window_);
  MainWindowProc(window_, WM_LBUTTONUP, 0, At(500, 300));
  EXPECT_EQ(heldId, 9);
  EXPECT_EQ(idDuringAction, 9);
  EXPECT_EQ(hoverId, 0);
  EXPECT_NE(GetCapture(), window_);
}

// Which input handler last ran; the slots are set to these after a switch.
UINT reached = 0;
void RecordInput() {
  keyHandler = [](HWND, WPARAM, LPARAM) { reached = WM_KEYDOWN; };
  mouseMoveHandler = [](HWND, WPARAM, LPARAM) { reached = WM_MOUSEMOVE; };
  buttonDownHandler = [](HWND, WPARAM, LPARAM) { reached = WM_LBUTTONDOWN; };
  buttonUpHandler = [](HWND, WPARAM, LPARAM) { reached = WM_LBUTTONUP; };
}

// Input that reaches the window after a switch and before the new page's
// first tick (its enter handler) would act with the previous page's state:
// it is dropped, whichever way the page became current.
TEST_F(PageSwitch, InputReachesAPageOnlyOnceItsEnterTickHasRun) {
  const UINT inputs[] = {WM_KEYDOWN, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP};
  const struct {
    const char* how;
    void (*makeCurrent)(HWND);
  } switches[] = {
      {"on the UI thread", [](HWND) { SwitchPage(kPageChoice); }},
      {"asked for by a worker",
       [](HWND window) {
         std::thread([] { SwitchPage(kPageCompletion); }).join();
         MSG msg = {};
         ASSERT_TRUE(PeekMessageW(&msg, window, kMsgSwitchPage, kMsgSwitchPage, PM_REMOVE));
         MainWindowProc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
       }},
      {"by the previous page's enter tick",
       [](HWND window) {
         SwitchPage(kPageLicence);
         tickHandler = [](HWND) { SwitchPage(kPageInstallType); };
         MainWindowProc(window, WM_TIMER, kFrameTimerId, 0);
       }},
  };
  for (const auto& sw : switches) {
    for (UINT input : inputs) {
      sw.makeCurrent(window_);
      RecordInput();
      tickHandler = [](HWND) {};
      reached = 0;
      MainWindowProc(window_, input, kKeyN, At(460, 400));
      EXPECT_EQ(reached, 0u) << sw.how << ": message " << input << " before the tick";
      MainWindowProc(window_, WM_TIMER, kFrameTimerId, 0);
      MainWindowProc(window_, input, kKeyN, At(460, 400));
      EXPECT_EQ(reached, input) << sw.how << ": message " << input << " after the tick";
    }
  }
}

// A press held across a switch ends at its release without acting.
TEST_F(PageSwitch, PressHeldAcrossASwitchEndsUnperformed) {
  BeginPress(window_, 5);
  SwitchPage(kPageChoice);
  RecordInput();
  reached = 0;
  MainWindowProc(window_, WM_LBUTTONUP, 0, At(460, 400));
  EXPECT_EQ(reached, 0u);
  EXPECT_NE(GetCapture(), window_);
  EXPECT_EQ(hoverId, 0);
}

TEST_F(PageSwitch, PageIndexIsMaskedToTheTable) {
  SwitchPage(32 + kPageStart);
  EXPECT_EQ(tickHandler, &StartPageEnter);
  SwitchPage(25);
  EXPECT_EQ(tickHandler, &EmptyPageEnter);
  EXPECT_EQ(keyHandler, &NoInput);
}

}  // namespace
