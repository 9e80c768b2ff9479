// Win32 half of os::CreateRunFolder: the folder a checked program is copied
// into and run from, which no account but SYSTEM and Administrators can
// change at any moment of its life.
#include <windows.h>
#include <sddl.h>

#include <cwchar>

#include "os_layer.h"

namespace os {

namespace {

// Owner Administrators and a protected DACL given to CreateDirectoryW itself:
// there is no moment at which the folder carries the access it would inherit.
// A process that may not name Administrators as owner (no elevated token)
// makes no folder at all.
constexpr wchar_t kRunFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Tries before giving up on names that someone made first.
constexpr unsigned kNameTries = 64;

// Frees what ConvertStringSecurityDescriptorToSecurityDescriptorW made.
struct LocalMemory {
  PSECURITY_DESCRIPTOR p = nullptr;
  ~LocalMemory() { LocalFree(p); }
};

}  // namespace

// The Windows folder's Temp lets users make files and folders but not remove
// or rename what others made; C:\Windows above it only administrators may
// change. GetSystemWindowsDirectoryW, not GetWindowsDirectoryW: for a program
// not marked terminal-server aware, the latter names a folder of the user's
// own on a terminal server. A name taken already (even by a user's link) is
// never used: CreateDirectoryW fails on it and the next name is tried.
bool CreateRunFolder(wchar_t* folder, size_t units) {
  wchar_t windows[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || units == 0) return false;
  LocalMemory descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kRunFolderSddl, SDDL_REVISION_1,
                                                            &descriptor.p, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.p, FALSE};
  // Names unique to this thread while it runs; guessing them gains nothing.
  const DWORD seed = GetCurrentProcessId() << 16 ^ GetCurrentThreadId();
  for (unsigned attempt = 0; attempt < kNameTries; ++attempt) {
    const int n = swprintf(folder, units, L"%ls\\Temp\\KVSetup-%08lx", windows,
                           static_cast<unsigned long>(seed + attempt * 0x9E3779B9u));
    if (n < 0 || static_cast<size_t>(n) >= units) break;
    if (CreateDirectoryW(folder, &attributes)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  folder[0] = 0;
  return false;
}

}  // namespace os
