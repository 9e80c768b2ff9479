// `kvpack remove INSTALLDIR [--brand]`: runs the setup program's own
// RemoveInstalledFiles on a folder; --brand keeps the folders shared with the
// brand's other product, as when its registry record is present.
#include <cstdio>
#include <cwchar>
#include <string>

#include "commands.h"
#include "engine/install_state.h"
#include "engine/removal.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack remove INSTALLDIR [--brand]\n"
    "  Deletes what the setup program installed into INSTALLDIR, by name, as its\n"
    "  remove operation does; User\\ always stays. --brand keeps Doc, Driver, Log,\n"
    "  Playlist and Fonts. Prints `remove: CODE` (1 done, 0 no such folder).\n";

}  // namespace

int RunRemoveCommand(int argc, char** argv) {
  std::string installDir;
  bool brand = false;
  for (int i = 1; i < argc; ++i) {  // argv[0] is the verb
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--brand") {
      brand = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "kvpack remove: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else if (installDir.empty()) {
      installDir = a;
    } else {
      std::fprintf(stderr, "kvpack remove: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (installDir.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  ResetInstallState();
  auto wide = kvpack::WideFromUtf8(installDir);
  if (!wide || wide->size() >= static_cast<size_t>(kPathUnits)) {
    std::fprintf(stderr, "kvpack remove: the path is not UTF-8 or longer than %d units\n",
                 kPathUnits - 1);
    return 2;
  }
  std::wmemcpy(installState.installDir, wide->c_str(), wide->size() + 1);
  installState.brandRecordPresent = brand ? 1 : 0;
  const int code = RemoveInstalledFiles();
  std::printf("remove: %d\n", code);
  return code == 1 ? 0 : 1;
}
