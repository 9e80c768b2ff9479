// libFuzzer target: an input (fuzz_package.h) becomes a setup package in the
// in-memory file layer, which the setup program's own OpenSetupPackage and
// ExtractPackage then take into an install folder. Besides crashes and
// sanitizer reports, any file created or folder made outside the install
// folder aborts. Flag bit 3 leaves the FTDI feature out.
#include <cstdint>

#include "extraction.h"
#include "fuzz_package.h"
#include "install_state.h"
#include "os_layer_mem.h"
#include "package_reader.h"

namespace {

constexpr wchar_t kSetupDir[] = L"C:\\Setup";
constexpr wchar_t kInstallDir[] = L"C:\\Program Files\\Korvane";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  os::mem::Reset();
  os::mem::PutFolder(L"C:\\Program Files");
  if (!fuzz::PutPackage(kSetupDir, data, size)) return 0;

  ResetInstallState();
  FormatPath(installState.setupDir, L"%ls", kSetupDir);
  FormatPath(installState.installDir, L"%ls", kInstallDir);
  installState.featureFlags.store(data[0] & 8 ? 3 : 7);
  installState.runFlag.store(1);
  if (OpenSetupPackage() == 0) ExtractPackage();
  ClosePackageFile();
  fuzz::CheckWrittenInside(kInstallDir);
  return 0;
}
