// The install record under HKLM\Software\Korvane\KV (the program's own 32-bit
// view) with the entry in Windows' list of installed programs that goes with
// it, the brand record it is compared with, and the probe of the
// hardware-key driver installer's key (64-bit view on 64-bit Windows).
#include <windows.h>

#include <cwchar>

#include "install_state.h"
#include "reg_key_win.h"
#include "registry_record.h"
#include "uninstall_entry.h"

namespace {

constexpr const wchar_t* kProductParentKey = L"Software\\Korvane";
constexpr const char* kDriverInstallerKey =
    "SOFTWARE\\Aladdin Knowledge Systems\\HASP\\Driver\\Installer";

// Reads "Path" into recordedPath. The stored value need not end in a NUL, so
// the text is always terminated after the bytes received; a value that fills
// all 260 units without a terminator is a cut path and makes the record
// invalid (*fits false), leaving recordedPath empty. recordedPath is
// terminated within its 260 units whatever the query did.
bool ReadRecordedPath(HKEY key, bool* fits) {
  wchar_t* path = installState.recordedPath;
  DWORD bytes = kPathUnits * sizeof(wchar_t);
  const LONG rc = RegQueryValueExW(key, L"Path", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(path), &bytes);
  if (rc != ERROR_SUCCESS) {
    // A value too large for the buffer may have left part of itself there.
    if (rc == ERROR_MORE_DATA) path[0] = 0;
    path[kPathUnits - 1] = 0;
    return false;
  }
  const DWORD units = bytes / sizeof(wchar_t);
  *fits = units < kPathUnits || wmemchr(path, 0, kPathUnits) != nullptr;
  if (!*fits)
    path[0] = 0;
  else if (units < kPathUnits)
    path[units] = 0;
  return true;
}

}  // namespace

int ReadInstallRecord(const wchar_t* key) {
  RegKey record;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, record.Receive()) != ERROR_SUCCESS)
    return 0;
  bool pathFits = false;
  if (!ReadRecordedPath(record.get(), &pathFits)) return 0;
  DWORD bytes = sizeof(installState.versionBlock);
  if (RegQueryValueExW(record.get(), L"Version", nullptr, nullptr, installState.versionBlock,
                       &bytes) != ERROR_SUCCESS)
    return 0;
  bytes = sizeof(installState.setupValue);
  if (RegQueryValueExW(record.get(), L"Setup", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&installState.setupValue), &bytes) != ERROR_SUCCESS)
    return 0;
  if (!pathFits || wcslen(installState.recordedPath) <= 3) return 0;
  return GetFileAttributesW(installState.recordedPath) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int WriteInstallRecord() {
  const size_t length = wcsnlen(installState.installDir, kPathUnits);
  if (length >= kPathUnits) return 0;
  RegKey record;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_ALL_ACCESS, record.Receive()) !=
      ERROR_SUCCESS) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, record.Receive(), nullptr) != ERROR_SUCCESS)
      return 0;
  }
  if (!record.get()) return 0;
  const DWORD pathBytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
  if (RegSetValueExW(record.get(), L"Path", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(installState.installDir), pathBytes) !=
      ERROR_SUCCESS)
    return 0;
  if (RegSetValueExW(record.get(), L"Version", 0, REG_BINARY, installState.versionBlock,
                     sizeof(installState.versionBlock)) != ERROR_SUCCESS)
    return 0;
  const DWORD setup = installState.setupValue;
  if (RegSetValueExW(record.get(), L"Setup", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&setup),
                     sizeof(setup)) != ERROR_SUCCESS)
    return 0;
  // Only a complete record makes the entry's uninstall command reach the
  // maintenance choice. The entry's own failure changes nothing here.
  WriteUninstallEntry();
  return 1;
}

int DeleteInstallRecord() {
  // The entry goes even when the record is already gone.
  DeleteUninstallEntry();
  {
    RegKey parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductParentKey, 0, KEY_ALL_ACCESS,
                      parent.Receive()) != ERROR_SUCCESS)
      return 0;
    // One level of subkeys. A subkey that cannot be deleted (it has subkeys
    // of its own) is stepped over, so the enumeration always ends.
    wchar_t name[kPathUnits];
    DWORD index = 0;
    while (RegEnumKeyW(parent.get(), index, name, kPathUnits) == ERROR_SUCCESS) {
      if (RegDeleteKeyW(parent.get(), name) != ERROR_SUCCESS) ++index;
    }
  }
  RegKey software;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS, software.Receive()) !=
      ERROR_SUCCESS)
    return 0;
  RegDeleteKeyW(software.get(), L"Korvane");
  return 1;
}

int ProbeDriverInstalled() {
  REGSAM access = KEY_QUERY_VALUE;
  if (installState.osBits == 64) access |= KEY_WOW64_64KEY;
  RegKey installer;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverInstallerKey, 0, access, installer.Receive()) !=
      ERROR_SUCCESS)
    return 0;
  // Only the presence of a value counts. A value larger than the buffer is
  // present all the same (ERROR_MORE_DATA), and each query gets the full
  // buffer size, never the size the previous one asked for.
  BYTE data[200];
  DWORD bytes = sizeof(data);
  LONG rc = RegQueryValueExA(installer.get(), "DrvPkgVersion", nullptr, nullptr, data, &bytes);
  if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) return 1;
  bytes = sizeof(data);
  rc = RegQueryValueExA(installer.get(), "Version", nullptr, nullptr, data, &bytes);
  return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA ? 1 : 0;
}
