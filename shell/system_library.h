// Loading a DLL that is not among Windows' known DLLs (oleacc.dll on Windows
// 7): from System32 only, never from the setup folder the program runs in.
#pragma once

#include <windows.h>

// The module, or nullptr. Loaded once per name by the caller; never freed.
HMODULE LoadSystemLibrary(const wchar_t* name);
