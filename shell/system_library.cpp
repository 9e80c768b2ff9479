// System32-only library loading, with a full path where Windows lacks the
// System32 search flag (Vista and 7 without update KB2533623).
#include "system_library.h"

#include <cwchar>

HMODULE LoadSystemLibrary(const wchar_t* name) {
  HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // The flag is unknown here: name the file in System32 by its full path, and
  // let its own imports be searched from there first.
  wchar_t path[MAX_PATH];
  const UINT n = GetSystemDirectoryW(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  const int total = swprintf(path + n, MAX_PATH - n, L"\\%ls", name);
  if (total < 0 || total >= static_cast<int>(MAX_PATH - n)) return nullptr;
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
