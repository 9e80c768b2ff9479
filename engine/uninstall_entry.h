// The program's entry in Windows' list of installed programs (Settings → Apps,
// Programs and Features), kept beside the install record: the key below, in
// the program's own 32-bit view, under HKEY_LOCAL_MACHINE.
#pragma once

constexpr const wchar_t* kUninstallEntryKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane";

// Writes the entry anew for the installation in installDir, made from the
// package of packageBytes: a name, publisher and version, the folder, the
// icon, the size in KB and, as the uninstall command, the quoted full name of
// this setup program, whose start page leads to the maintenance choice.
// Returns 1 when every value was written; else 0, and no entry is left.
int WriteUninstallEntry();

// Deletes the entry. Returns 1 when it is gone (also when there was none).
int DeleteUninstallEntry();
