// The entry of Korvane in Windows' list of installed programs: its values,
// the version text taken from this program's own version block, and the
// entry's writing and deletion.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "install_state.h"
#include "paths.h"
#include "reg_key_win.h"
#include "uninstall_entry.h"

namespace {

constexpr const wchar_t* kDisplayName = L"Korvane";
constexpr const wchar_t* kPublisher = L"Tavenor";

// The product version "a.b.c.d" of this program's version block (resource 1).
// The block is read in place rather than through version.dll, which is not
// among the DLLs Windows 7 always loads from System32: as an import it could
// be taken from a download folder before the DLL search is hardened.
bool OwnProductVersion(wchar_t* out, size_t units) {
  out[0] = 0;
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));  // RT_VERSION
  if (!found) return false;
  const DWORD size = SizeofResource(nullptr, found);
  const HGLOBAL loaded = LoadResource(nullptr, found);
  const BYTE* block = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  // VS_VERSIONINFO: length, value length and type (three WORDs), the key
  // "VS_VERSION_INFO" with its NUL, padding to a 32-bit boundary, then the
  // fixed information.
  constexpr size_t kKeyAt = 6;
  constexpr size_t kFixedAt = 40;
  constexpr wchar_t kKey[] = L"VS_VERSION_INFO";
  if (!block || size < kFixedAt + sizeof(VS_FIXEDFILEINFO)) return false;
  WORD valueBytes = 0;
  memcpy(&valueBytes, block + 2, sizeof valueBytes);
  wchar_t key[16];
  memcpy(key, block + kKeyAt, sizeof key);
  VS_FIXEDFILEINFO fixed;
  memcpy(&fixed, block + kFixedAt, sizeof fixed);
  if (valueBytes < sizeof fixed || wmemcmp(key, kKey, 16) != 0 ||
      fixed.dwSignature != VS_FFI_SIGNATURE)
    return false;
  const int n = swprintf(out, units, L"%u.%u.%u.%u", HIWORD(fixed.dwProductVersionMS),
                         LOWORD(fixed.dwProductVersionMS), HIWORD(fixed.dwProductVersionLS),
                         LOWORD(fixed.dwProductVersionLS));
  if (n < 0 || static_cast<size_t>(n) >= units) {
    out[0] = 0;
    return false;
  }
  return true;
}

struct TextValue {
  const wchar_t* name;
  const wchar_t* text;  // null: not written
};

struct NumberValue {
  const wchar_t* name;
  DWORD number;
  bool written;
};

bool SetText(HKEY key, const TextValue& value) {
  const DWORD bytes = static_cast<DWORD>((wcslen(value.text) + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text),
                        bytes) == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const NumberValue& value) {
  return RegSetValueExW(key, value.name, 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value.number),
                        sizeof(value.number)) == ERROR_SUCCESS;
}

}  // namespace

int WriteUninstallEntry() {
  // Without its uninstall command or folder the entry would lead nowhere.
  wchar_t program[kPathUnits];
  if (!GetSetupProgramPath(program)) return 0;
  const size_t dirLength = wcsnlen(installState.installDir, kPathUnits);
  if (dirLength == 0 || dirLength >= kPathUnits) return 0;
  wchar_t command[kPathUnits + 2];
  const int quoted = swprintf(command, kPathUnits + 2, L"\"%ls\"", program);
  if (quoted < 0 || quoted >= kPathUnits + 2) return 0;
  wchar_t icon[kPathUnits];
  const bool iconFits = FormatPath(icon, L"%ls\\Korvane.exe", installState.installDir);
  wchar_t version[32];
  const bool versionKnown = OwnProductVersion(version, 32);
  const uint64_t kilobytes = (installState.packageBytes + 1023) / 1024;

  const TextValue texts[] = {
      {L"DisplayName", kDisplayName},
      {L"Publisher", kPublisher},
      {L"DisplayVersion", versionKnown ? version : nullptr},
      {L"InstallLocation", installState.installDir},
      {L"DisplayIcon", iconFits ? icon : nullptr},
      {L"UninstallString", command},
  };
  // The maintenance choice offers modify and repair beside removal.
  const NumberValue numbers[] = {
      {L"EstimatedSize", kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(kilobytes),
       kilobytes != 0},
      {L"NoModify", 0, true},
      {L"NoRepair", 0, true},
  };

  // Values of an earlier entry that this one does not have must not stay.
  DeleteUninstallEntry();
  bool written = false;
  {
    RegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallEntryKey, 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Receive(),
                        nullptr) == ERROR_SUCCESS &&
        key.get()) {
      written = true;
      for (const TextValue& value : texts)
        if (written && value.text) written = SetText(key.get(), value);
      for (const NumberValue& value : numbers)
        if (written && value.written) written = SetNumber(key.get(), value);
    }
  }
  // A part of an entry would show a program that cannot be removed from there.
  if (!written) DeleteUninstallEntry();
  return written ? 1 : 0;
}

int DeleteUninstallEntry() {
  const LONG rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
}
