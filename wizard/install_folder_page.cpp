// Page 8, the install folder: the folder in a display-only box and the
// system's folder dialog behind Browse. installDir changes only through the
// dialog; a drive root is refused.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

#include "controls.h"
#include "pages.h"

#include "engine/install_state.h"
#include "engine/page_switch.h"
#include "shell/frame_gdi.h"
#include "shell/page_table.h"
#include "shell/scaled_child.h"
#include "shell/shell_state.h"
#include "shell/skin_draw.h"

namespace {

constexpr int kTitleRow = 22;
constexpr int kFirstTextRow = 23;
constexpr int kLastTextRow = 25;

// The folder box lives only while the page is current.
constexpr DWORD kBoxStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
HWND editBox = nullptr;

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_VALIDATE |
                              BIF_NEWDIALOGSTYLE;
static_assert(kBrowseFlags == 0x75, "the folder dialog's flags");

constexpr const wchar_t* kDialogTitle = L"폴더 선택";
constexpr const wchar_t* kRootRefused = L"Root 폴더에는 설치을 수 없습니다.";
constexpr const wchar_t* kFolderNotFound = L"해당 폴더를 찾을 수 없습니다.";
constexpr const wchar_t* kErrorTitle = L"오류";

// The dialog of the new style needs OLE on the calling thread.
class OleSession {
 public:
  OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~OleSession() {
    if (ok_) OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool ok_;
};

// An item list returned by the shell, freed with the task allocator.
class ItemList {
 public:
  explicit ItemList(PIDLIST_ABSOLUTE item) : item_(item) {}
  ~ItemList() { CoTaskMemFree(item_); }
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;
  PIDLIST_ABSOLUTE get() const { return item_; }

 private:
  PIDLIST_ABSOLUTE item_;
};

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data) {
  switch (message) {
    case BFFM_INITIALIZED: {
      SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
      RECT rc;
      GetClientRect(dialog, &rc);
      const int x = (GetSystemMetrics(SM_CXSCREEN) + rc.left - rc.right) / 2;
      const int y = (GetSystemMetrics(SM_CYSCREEN) + rc.top - rc.bottom) / 2;
      SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      break;
    }
    case BFFM_SELCHANGED: {
      wchar_t path[MAX_PATH] = {};
      if (!SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path)) path[0] = 0;
      SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
      break;
    }
    case BFFM_VALIDATEFAILEDW:
      MessageBoxW(dialog, kFolderNotFound, kErrorTitle, MB_ICONERROR);
      break;
    default:
      break;
  }
  return 0;
}

// The dialog has no owner, so the wizard stays usable while it is open; a
// second Browse then would stack a second dialog on the first.
bool dialogOpen = false;

// The wizard may have gone on while the dialog was open: from page 9 to page
// 11, whose threads read installDir. An answer counts only while this page and
// its folder box are still there.
bool FolderPageStillCurrent() {
  return currentPage == kPageInstallFolder && editBox != nullptr && IsWindow(editBox);
}

void BrowseForInstallDir(HWND owner) {
  if (dialogOpen) return;
  struct OpenMark {
    OpenMark() { dialogOpen = true; }
    ~OpenMark() { dialogOpen = false; }
  } mark;
  OleSession ole;
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = nullptr;
  info.pidlRoot = nullptr;
  info.pszDisplayName = path;
  info.lpszTitle = kDialogTitle;
  info.ulFlags = kBrowseFlags;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(installState.installDir);

  ItemList item(SHBrowseForFolderW(&info));
  if (!item.get()) return;
  if (SHGetPathFromIDListW(item.get(), path) != TRUE) return;
  path[MAX_PATH - 1] = 0;
  if (!FolderPageStillCurrent()) return;
  if (wcslen(path) <= 3) {
    MessageBoxW(owner, kRootRefused, kErrorTitle, MB_ICONERROR);
    return;
  }
  TakeChosenFolder(path);
}

void DestroyBox() {
  if (editBox && IsWindow(editBox)) DestroyWindow(editBox);
  editBox = nullptr;
}

void LeaveTo(uint32_t page) {
  DestroyBox();
  SwitchPage(page);
}

void Perform(HWND window, int pressedId) {
  switch (pressedId) {
    case kIdButton0 + 1: LeaveTo(kPageLicence); break;  // Back skips the install type page
    case kIdButton1 + 1: LeaveTo(kPageFeatures); break;
    case kIdButton2 + 1: DestroyWindow(window); break;
    case kIdButton3 + 1: BrowseForInstallDir(window); break;
    default: break;
  }
}

void InstallFolderSteadyTick(HWND window) {
  if (HoverStepAndRepaintDue()) PresentFrameAround(window, EditBoxRect(kPageInstallFolder), editBox);
}

}  // namespace

bool TakeChosenFolder(const wchar_t* path) {
  if (!FolderPageStillCurrent()) return false;
  SendMessageW(editBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
  lstrcpynW(installState.installDir, path, kPathUnits);
  return true;
}

void InstallFolderEnter(HWND window) {
  FillBackground();
  DrawTextRow(fontSubtitle, kTitleRow);
  for (int row = kFirstTextRow; row <= kLastTextRow; ++row) DrawTextRow(fontText, row);

  DestroyBox();
  editBox = CreateScaledChild(window, L"EDIT", kBoxStyle, EditBoxRect(kPageInstallFolder), &fontText);
  if (editBox) {
    SendMessageW(editBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(installState.installDir));
  }

  buttonImageBase[3] = 25;
  DrawButtonImage(25);  // Browse, normal
  DrawBackNextExit();
  EnterSteadyTick(InstallFolderSteadyTick);
}

void InstallFolderKey(HWND window, WPARAM key, LPARAM) {
  if (CtrlHeld()) return;
  Perform(window, KeyPressId(key));
}

void InstallFolderMouseMove(HWND window, WPARAM, LPARAM lParam) {
  CaptureFormMouseMove(window, lParam, HoverIdOnPage);
}

void InstallFolderButtonDown(HWND window, WPARAM, LPARAM lParam) {
  PressControlAt(window, lParam, HoverIdOnPage);
}

void InstallFolderButtonUp(HWND window, WPARAM, LPARAM lParam) {
  Perform(window, ReleasedControl(window, lParam, HoverIdOnPage));
}
