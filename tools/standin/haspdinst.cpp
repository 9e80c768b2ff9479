// Test stand-in for the hardware-key driver installer "haspdinst.exe".
//   haspdinst.exe -i   writes "DrvPkgVersion" under HKLM "SOFTWARE\Aladdin
//                      Knowledge Systems\HASP\Driver\Installer" (64-bit view)
//   haspdinst.exe -r   deletes that key
// Every run first appends one line to a log, UTF-8, tab-separated:
//   <its own module path> TAB <its full command line> TAB <window title it got>
//   TAB <the current folder it started in>
// Environment (inherited from the runner's process):
//   KV_STANDIN_LOG       log file; default haspdinst.log beside the program
//   KV_STANDIN_DELAY_MS  milliseconds to wait after logging, before the work
//   KV_STANDIN_NOWRITE   when set, exits after the wait without touching the registry
// Exit code 0 after its work, 1 when the registry work failed, 2 for other switches.
#include <windows.h>

#include <cwchar>
#include <cwctype>

namespace {

constexpr const wchar_t* kInstallerKey =
    L"SOFTWARE\\Aladdin Knowledge Systems\\HASP\\Driver\\Installer";

// A handle closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

void AppendUtf8(HANDLE file, const wchar_t* text) {
  char bytes[4096];
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof(bytes), nullptr, nullptr);
  if (n <= 1) return;
  DWORD written = 0;
  WriteFile(file, bytes, static_cast<DWORD>(n - 1), &written, nullptr);
}

void LogRun() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  wchar_t log[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"KV_STANDIN_LOG", log, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    lstrcpynW(log, module, MAX_PATH);
    wchar_t* slash = wcsrchr(log, L'\\');
    if (slash) lstrcpynW(slash + 1, L"haspdinst.log", static_cast<int>(log + MAX_PATH - (slash + 1)));
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);

  Handle file(CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return;
  AppendUtf8(file.get(), module);
  AppendUtf8(file.get(), L"\t");
  AppendUtf8(file.get(), GetCommandLineW());
  AppendUtf8(file.get(), L"\t");
  AppendUtf8(file.get(), startup.lpTitle ? startup.lpTitle : L"");
  AppendUtf8(file.get(), L"\t");
  wchar_t folder[MAX_PATH] = {};
  const DWORD units = GetCurrentDirectoryW(MAX_PATH, folder);
  AppendUtf8(file.get(), units > 0 && units < MAX_PATH ? folder : L"");
  AppendUtf8(file.get(), L"\n");
}

// The switch after the program name; the program name may be quoted.
const wchar_t* SwitchOf(const wchar_t* line) {
  if (*line == L'"') {
    line = wcschr(line + 1, L'"');
    if (!line) return L"";
    ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

int Install() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstallerKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 1;
  static const wchar_t kVersion[] = L"7.100";
  const LONG rc = RegSetValueExW(key, L"DrvPkgVersion", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(kVersion), sizeof(kVersion));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 0 : 1;
}

int Remove() {
  const LONG rc = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kInstallerKey, KEY_WOW64_64KEY, 0);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  LogRun();
  wchar_t value[32] = {};
  const DWORD n = GetEnvironmentVariableW(L"KV_STANDIN_DELAY_MS", value, 32);
  if (n > 0 && n < 32) Sleep(wcstoul(value, nullptr, 10));
  if (GetEnvironmentVariableW(L"KV_STANDIN_NOWRITE", value, 32) > 0) return 0;

  const wchar_t* option = SwitchOf(GetCommandLineW());
  if (wcsncmp(option, L"-i", 2) == 0) return Install();
  if (wcsncmp(option, L"-r", 2) == 0) return Remove();
  return 2;
}
