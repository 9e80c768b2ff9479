// The machine facts the wizard needs: the word size of Windows (GetVersionExW
// and the native system information) and the size and free space of a drive.
#include <windows.h>

#include "install_state.h"
#include "system_probes.h"

namespace {

static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the version query wants the extended record");

// A kernel32 export that older Windows versions may lack; null then.
template <typename Function>
Function KernelExport(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using GetDiskFreeSpaceExAFn = BOOL(WINAPI*)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*,
                                            ULARGE_INTEGER*);

uint32_t BitsOfArchitecture(WORD architecture) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return 64;
    case PROCESSOR_ARCHITECTURE_INTEL: return 32;
    default: return 0;
  }
}

}  // namespace

int ProbeWindowsBits() {
  installState.osBits = 0;
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return 0;

  SYSTEM_INFO system = {};
  if (auto getNative = KernelExport<GetNativeSystemInfoFn>("GetNativeSystemInfo"))
    getNative(&system);
  else
    GetSystemInfo(&system);

  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
  const DWORD major = version.dwMajorVersion;
  const DWORD minor = version.dwMinorVersion;
  // Without a manifest entry for later versions, Windows 8.1 and later
  // answer 6.2 here.
  if ((major == 10 && minor == 0) || (major == 6 && minor <= 2)) {
    if (auto getProductInfo = KernelExport<GetProductInfoFn>("GetProductInfo")) {
      DWORD product = 0;
      getProductInfo(major, minor, version.wServicePackMajor, version.wServicePackMinor, &product);
      installState.osBits = BitsOfArchitecture(system.wProcessorArchitecture);
    }
  } else if (major == 5) {
    if (auto isWow64 = KernelExport<IsWow64ProcessFn>("IsWow64Process")) {
      BOOL wow64 = FALSE;
      isWow64(GetCurrentProcess(), &wow64);
      installState.osBits = wow64 ? 64 : 32;
    }
  }
  return static_cast<int>(installState.osBits);
}

void ProbeDiskSpace(char driveLetter) {
  installState.diskTotalBytes = 0;
  installState.diskFreeBytes = 0;
  const char root[4] = {driveLetter, ':', '\\', 0};
  if (auto getFreeEx = KernelExport<GetDiskFreeSpaceExAFn>("GetDiskFreeSpaceExA")) {
    ULARGE_INTEGER callerFree, total, free;
    if (getFreeEx(root, &callerFree, &total, &free)) {
      installState.diskTotalBytes = total.QuadPart;
      installState.diskFreeBytes = free.QuadPart;
    }
    return;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters))
    return;
  const uint64_t cluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
  installState.diskTotalBytes = totalClusters * cluster;
  installState.diskFreeBytes = freeClusters * cluster;
}
