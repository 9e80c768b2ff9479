// Functions of user32 that older Windows versions lack, looked up at run time
// in the copy the program already has loaded (from System32), so that the
// program imports nothing newer than it may find.
#pragma once

#include <windows.h>

// The export, or null where this Windows lacks it.
template <typename Function>
Function User32Export(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}
