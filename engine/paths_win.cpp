// Start-up folders: the setup program's own folder from its module file name
// (and that full name, for the uninstall command), the default install folder
// and the shell folders used for the shortcuts.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

#include "install_state.h"
#include "paths.h"

namespace {

constexpr DWORD kModuleNameUnits = 519;
// The splitter's buffers: drive 3, folder, name and extension 256 units each.
constexpr size_t kFolderUnits = 256;
constexpr size_t kNameUnits = 256;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// True when the runtime's splitter can take the name into its buffers and the
// folder it gives is a full one: a drive with a rooted folder ("E:\" counts)
// or a UNC or device path starting with two separators. Checked beforehand so
// that the runtime's invalid-parameter handling never comes into play.
bool SplitsIntoFullFolder(const wchar_t* modulePath, size_t length) {
  const bool drive = length >= 2 && modulePath[1] == L':';
  const size_t folderStart = drive ? 2 : 0;
  size_t nameStart = folderStart;
  for (size_t i = folderStart; i < length; ++i)
    if (IsSeparator(modulePath[i])) nameStart = i + 1;
  size_t dot = length;
  for (size_t i = nameStart; i < length; ++i)
    if (modulePath[i] == L'.') dot = i;
  if (nameStart - folderStart >= kFolderUnits || dot - nameStart >= kNameUnits ||
      length - dot >= kNameUnits)
    return false;
  if (nameStart == folderStart) return false;  // no folder at all
  if (drive) return IsSeparator(modulePath[folderStart]);
  return nameStart - folderStart >= 2 && IsSeparator(modulePath[0]) && IsSeparator(modulePath[1]);
}

}  // namespace

bool SetupDirFromModulePath(const wchar_t* modulePath, wchar_t* setupDir) {
  setupDir[0] = 0;
  const size_t length = wcsnlen(modulePath, kModuleNameUnits);
  if (length == 0 || length >= kModuleNameUnits || !SplitsIntoFullFolder(modulePath, length))
    return false;
  wchar_t drive[3];
  wchar_t folder[kFolderUnits];
  wchar_t name[kNameUnits];
  wchar_t extension[kNameUnits];
  if (_wsplitpath_s(modulePath, drive, 3, folder, kFolderUnits, name, kNameUnits, extension,
                    kNameUnits) != 0)
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
  wchar_t module[kModuleNameUnits];
  const DWORD n = GetModuleFileNameW(nullptr, module, kModuleNameUnits);
  // A full buffer means the name was cut.
  if (n == 0 || n >= kModuleNameUnits) {
    installState.setupDir[0] = 0;
    return;
  }
  SetupDirFromModulePath(module, installState.setupDir);
}

bool GetSetupProgramPath(wchar_t* path) {
  const DWORD n = GetModuleFileNameW(nullptr, path, kPathUnits);
  // A full buffer means the name was cut.
  if (n == 0 || n >= static_cast<DWORD>(kPathUnits)) {
    path[0] = 0;
    return false;
  }
  return true;
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
