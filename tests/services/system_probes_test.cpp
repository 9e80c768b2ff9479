// Word size and drive space as the probes report them inside the bed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/install_state.h"
#include "engine/system_probes.h"
#include "tests/services/win_test_files.h"

namespace {

class SystemProbes : public ::testing::Test {
 protected:
  void SetUp() override { ResetInstallState(); }
};

// The i686 build runs in a 32-bit Wine prefix (an x86 machine), the x86-64
// build in a 64-bit one (an x64 machine).
constexpr int kBedBits = sizeof(void*) == 8 ? 64 : 32;

TEST_F(SystemProbes, WordSizeOfTheBed) {
  installState.osBits = 99;
  EXPECT_EQ(kBedBits, ProbeWindowsBits());
  EXPECT_EQ(static_cast<uint32_t>(kBedBits), installState.osBits);
}

// Runs a probe child under the Windows version Wine pretends for it (its
// AppDefaults entry) and returns its osBits, -1 when it did not run.
int BitsUnder(const char* program, const wchar_t* version) {
  const std::wstring path = kvtest::HostPath(program);
  const std::wstring name = path.substr(path.rfind(L'\\') + 1);
  const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name;
  HKEY h = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS)
    return -1;
  RegSetValueExW(h, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
  RegCloseKey(h);

  std::wstring line = L"\"" + path + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  int bits = -1;
  if (CreateProcessW(path.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &startup, &process)) {
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code))
      bits = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  return bits;
}

struct VersionCase {
  const char* program;
  const wchar_t* version;  // Wine's name of the Windows version
  int expected;
};

// The product's manifest makes Windows 8.1 and 10 answer 6.2, which the probe
// knows; a program that declares 8.1 sees 6.3, which it does not. Windows
// 9x is not NT, NT 4 is no version the probe knows. Under the 5.x versions
// the probe asks IsWow64Process, which only a 32-bit program on 64-bit
// Windows answers with yes.
TEST_F(SystemProbes, WordSizeByWindowsVersionAndManifest) {
  const VersionCase cases[] = {
      {KV_BITS_PROBE_PRODUCT, L"win10", kBedBits}, {KV_BITS_PROBE_PRODUCT, L"win81", kBedBits},
      {KV_BITS_PROBE_PRODUCT, L"win7", kBedBits},  {KV_BITS_PROBE_PRODUCT, L"vista", kBedBits},
      {KV_BITS_PROBE_PRODUCT, L"winxp", 32}, {KV_BITS_PROBE_PRODUCT, L"win2k", 32},
      {KV_BITS_PROBE_PRODUCT, L"nt40", 0},   {KV_BITS_PROBE_PRODUCT, L"win98", 0},
      {KV_BITS_PROBE_WIN81, L"win81", 0},    {KV_BITS_PROBE_WIN81, L"win10", 0},
      {KV_BITS_PROBE_WIN81, L"win7", kBedBits},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " as " + std::string(c.version, c.version + wcslen(c.version)));
    EXPECT_EQ(c.expected, BitsUnder(c.program, c.version));
  }
}

TEST_F(SystemProbes, DiskSpaceOfDriveC) {
  ULARGE_INTEGER callerFree, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &callerFree, &total, &free));
  ProbeDiskSpace('C');
  EXPECT_EQ(total.QuadPart, installState.diskTotalBytes);
  EXPECT_GT(installState.diskFreeBytes, 0u);
  EXPECT_LE(installState.diskFreeBytes, installState.diskTotalBytes);
  // Free space moves with the rest of the machine; allow 64 MiB of drift.
  const uint64_t drift = installState.diskFreeBytes > free.QuadPart
                             ? installState.diskFreeBytes - free.QuadPart
                             : free.QuadPart - installState.diskFreeBytes;
  EXPECT_LT(drift, 64ull << 20);
}

TEST_F(SystemProbes, MissingDriveGivesZeros) {
  const DWORD drives = GetLogicalDrives();
  char missing = 0;
  for (int i = 25; i >= 3 && !missing; --i)
    if (!(drives & (1u << i))) missing = static_cast<char>('A' + i);
  ASSERT_NE(0, missing) << "every drive letter is taken";
  installState.diskTotalBytes = 1;
  installState.diskFreeBytes = 1;
  ProbeDiskSpace(missing);
  EXPECT_EQ(0u, installState.diskTotalBytes);
  EXPECT_EQ(0u, installState.diskFreeBytes);
}

}  // namespace
