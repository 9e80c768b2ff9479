// DLL search hardening for an elevated program started from a folder that
// anyone may have dropped files into.
#include <windows.h>

#include "dll_search.h"

void HardenDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  // Exported from Windows 8 on, and on Vista / 7 with update KB2533623.
  auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                 GetProcAddress(kernel, "SetDefaultDllDirectories")))
                           : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
}
