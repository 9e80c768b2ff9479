// Start-up folders: the setup program's own folder from its module file name,
// the default install folder and the shell folders used for the shortcuts.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

#include "install_state.h"
#include "paths.h"

bool SetupDirFromModulePath(const wchar_t* modulePath, wchar_t* setupDir) {
  setupDir[0] = 0;
  // Too long a component would make the splitter fail; refuse it here so that
  // the runtime's invalid-parameter handling never comes into play.
  const size_t length = wcsnlen(modulePath, kPathUnits);
  if (length == 0 || length >= kPathUnits) return false;
  wchar_t drive[3];
  wchar_t folder[256];
  wchar_t name[256];
  wchar_t extension[256];
  if (_wsplitpath_s(modulePath, drive, 3, folder, 256, name, 256, extension, 256) != 0)
    return false;
  const int n = swprintf(setupDir, kPathUnits, L"%ls%ls", drive, folder);
  if (n < 0 || n >= kPathUnits) {
    setupDir[0] = 0;
    return false;
  }
  if (n > 0 && setupDir[n - 1] == L'\\') setupDir[n - 1] = 0;
  return true;
}

void InitSetupDir() {
  wchar_t module[519];
  const DWORD n = GetModuleFileNameW(nullptr, module, 519);
  // A full buffer means the name was cut.
  if (n == 0 || n >= 519) {
    installState.setupDir[0] = 0;
    return;
  }
  SetupDirFromModulePath(module, installState.setupDir);
}

int GetShellFolder(int csidl, wchar_t* path) {
  path[0] = 0;
  // The item list only confirms that the shell knows the folder. The shell
  // answers E_FAIL (or "file not found") for a known folder that does not
  // exist yet; the path lookup below then creates it.
  PIDLIST_ABSOLUTE items = nullptr;
  const HRESULT known = SHGetFolderLocation(nullptr, csidl, nullptr, 0, &items);
  if (SUCCEEDED(known))
    CoTaskMemFree(items);
  else if (known != E_FAIL && known != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
    return -1;
  if (SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path) != S_OK) {
    path[0] = 0;
    return -1;
  }
  return 0;
}

void InitShellFolders() {
  FormatPath(installState.installDir, L"C:\\Tavenor");
  GetShellFolder(CSIDL_DESKTOP, installState.desktopDir);
  GetShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY, installState.commonDesktopDir);
  GetShellFolder(CSIDL_COMMON_PROGRAMS, installState.commonProgramsDir);
}
