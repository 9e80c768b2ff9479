// The install record under HKLM (32-bit view) and the hardware-key driver probe.
#pragma once

constexpr const wchar_t* kProductKey = L"Software\\Korvane\\KV";
constexpr const wchar_t* kBrandKey = L"Software\\Tavenor\\TN";

int ReadInstallRecord(const wchar_t* key);
int WriteInstallRecord();
int DeleteInstallRecord();
int ProbeDriverInstalled();
