// Shell links on the all-users desktop and in the start-menu folder "Tavenor".
#pragma once

#include <cstdint>

int32_t MakeShortcutLink(const wchar_t* target, const wchar_t* args,
                         const wchar_t* linkFile, const wchar_t* description,
                         const wchar_t* icon);
int32_t CreateShortcuts();
int DeleteShortcuts();
