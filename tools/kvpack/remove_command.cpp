// `kvpack remove INSTALLDIR [--brand]`: runs the setup program's own
// RemoveInstalledFiles on a folder; --brand keeps the folders shared with the
// brand's other product, as when its registry record is present.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "commands.h"
#include "install_state.h"
#include "removal.h"

int RunRemoveCommand(int argc, char** argv) {
  const char* installDir = nullptr;
  bool brand = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--brand") == 0) {
      brand = true;
    } else if (!installDir && argv[i][0] != '-') {
      installDir = argv[i];
    } else {
      installDir = nullptr;
      break;
    }
  }
  if (!installDir) {
    std::fprintf(stderr, "usage: kvpack remove INSTALLDIR [--brand]\n");
    return 2;
  }
  ResetInstallState();
  std::setlocale(LC_CTYPE, "C.UTF-8");
  std::mbstate_t state{};
  const char* src = installDir;
  const size_t n = std::mbsrtowcs(installState.installDir, &src, kPathUnits, &state);
  if (n == static_cast<size_t>(-1) || src != nullptr || n >= kPathUnits) {
    std::fprintf(stderr, "kvpack remove: path too long or not UTF-8\n");
    return 2;
  }
  installState.brandRecordPresent = brand ? 1 : 0;
  const int rc = RemoveInstalledFiles();
  std::printf("remove: %d\n", rc);
  return rc == 1 ? 0 : 1;
}
