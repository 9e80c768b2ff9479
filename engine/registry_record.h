// The install record under HKLM (32-bit view) and the hardware-key driver probe.
#pragma once

constexpr const wchar_t* kProductKey = L"Software\\Korvane\\KV";
constexpr const wchar_t* kBrandKey = L"Software\\Tavenor\\TN";

int ReadInstallRecord(const wchar_t* key);
// Writing a complete record also writes the entry in the list of installed
// programs (uninstall_entry.h); deleting the record deletes the entry.
int WriteInstallRecord();
int DeleteInstallRecord();
int ProbeDriverInstalled();
