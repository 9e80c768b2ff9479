// libFuzzer target: an input (fuzz_package.h) becomes a setup package in the
// in-memory file layer, which the setup program's own OpenSetupPackage and
// ExtractPackage then take into an install folder. Besides crashes and
// sanitizer reports, any file created or folder made outside the install
// folder aborts. Flag bit 3 leaves the FTDI feature out of the installation,
// then adds it as the modify operation does (ExtractFtdiDriver over the
// package opened again). With flag bit 6 the installation is then removed
// (bit 7: as when the brand's other product is installed), which must leave
// the package and the user's own folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "extraction.h"
#include "fuzz_package.h"
#include "install_state.h"
#include "os_layer_mem.h"
#include "package_reader.h"
#include "removal.h"

namespace {

constexpr wchar_t kSetupDir[] = L"C:\\Setup";
constexpr wchar_t kInstallDir[] = L"C:\\Program Files\\Korvane";
constexpr wchar_t kUserFile[] = L"C:\\Program Files\\Korvane\\User\\Playlist.kvl";
const uint8_t kUserBytes[] = {'k', 'e', 'p', 't'};

void MustStay(const wchar_t* path) {
  if (os::PathExists(path)) return;
  std::fprintf(stderr, "removal deleted %ls\n", path);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  os::mem::Reset();
  os::mem::PutFolder(L"C:\\Program Files");
  if (!fuzz::PutPackage(kSetupDir, data, size)) return 0;
  const bool ftdiLater = data[0] & 8;
  const bool remove = data[0] & 64;
  if (remove) os::mem::PutFile(kUserFile, kUserBytes, sizeof kUserBytes);

  ResetInstallState();
  FormatPath(installState.setupDir, L"%ls", kSetupDir);
  FormatPath(installState.installDir, L"%ls", kInstallDir);
  installState.featureFlags.store(ftdiLater ? 3 : 7);
  installState.runFlag.store(1);
  if (OpenSetupPackage() == 0) ExtractPackage();
  ClosePackageFile();
  if (ftdiLater) {
    installState.featureFlags.store(7);
    if (OpenSetupPackage() == 0) ExtractFtdiDriver();
    ClosePackageFile();
  }
  fuzz::CheckWrittenInside(kInstallDir);
  if (remove) {
    installState.brandRecordPresent = data[0] >> 7;
    RemoveInstalledFiles();
    MustStay(kUserFile);
    MustStay(L"C:\\Setup\\KVSetup.dat");
  }
  return 0;
}
