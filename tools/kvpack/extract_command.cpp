// `kvpack extract [--against EXE] PKGDIR INSTALLDIR [--features N]`: runs the
// setup program's own OpenSetupPackage and ExtractPackage on a package folder
// (with EXE's binding in force, as the bound program runs them) and prints
// the engine's codes; a progress bar is drawn when standard error is a
// terminal.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>

#include "commands.h"
#include "engine/extraction.h"
#include "engine/install_state.h"
#include "engine/package_binding.h"
#include "engine/package_reader.h"
#include "program_binding.h"
#include "progress.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack extract [--against EXE] PKGDIR INSTALLDIR [--features N]\n"
    "  Opens the package in PKGDIR and extracts it into INSTALLDIR exactly as the\n"
    "  setup program does. N is featureFlags (default 7; bit 2 adds FTDIDriver.zip).\n"
    "  --against EXE  with the checks of EXE, a bound setup program: a header,\n"
    "  entry or MR file other than the bound one fails as it would there.\n"
    "  Prints `open: CODE` and, when that is 0, `extract: CODE`; exit status 0\n"
    "  only when both are 0.\n";

// Copies a UTF-8 argument into an engine path buffer; false when it is not
// UTF-8 or does not fit.
bool SetPath(const std::string& text, wchar_t (&out)[kPathUnits]) {
  auto wide = kvpack::WideFromUtf8(text);
  if (!wide || wide->size() >= static_cast<size_t>(kPathUnits)) return false;
  std::wmemcpy(out, wide->c_str(), wide->size() + 1);
  return true;
}

// Runs the extraction on a second thread while this one draws the bar (the
// bar reads progressPos as the setup program's progress page does).
int ExtractWithProgress() {
  kvpack::ProgressBar bar("extract");
  std::atomic<bool> done{false};
  int code = 0;
  std::thread worker([&] {
    code = ExtractPackage();
    done.store(true);
  });
  while (!done.load()) {
    bar.Update(installState.progressPos.load(), installState.packageBytes);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  worker.join();
  bar.Update(installState.progressPos.load(), installState.packageBytes);
  return code;
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
  std::string pkgDir, installDir, exe;
  unsigned long features = kFeatureDesktopLinks | kFeatureStartMenuLinks | kFeatureFtdiDriver;
  for (int i = 1; i < argc; ++i) {  // argv[0] is the verb
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--features" && i + 1 < argc) {
      char* end = nullptr;
      features = std::strtoul(argv[++i], &end, 0);
      if (*end != 0 || features > 0xFFFFFFFFul) {
        std::fprintf(stderr, "kvpack extract: --features takes a 32-bit number\n");
        return 2;
      }
    } else if (a == "--against" && i + 1 < argc) {
      exe = argv[++i];
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "kvpack extract: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else if (pkgDir.empty()) {
      pkgDir = a;
    } else if (installDir.empty()) {
      installDir = a;
    } else {
      std::fprintf(stderr, "kvpack extract: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (pkgDir.empty() || installDir.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  kvpack::ProgramImage image;
  if (!exe.empty()) {
    if (std::optional<int> status = kvpack::ReadBoundProgram("extract", exe, &image)) return *status;
    UsePackageBinding(image.block());
  }
  // The block lives in image: the binding ends with it.
  struct BindingScope {
    ~BindingScope() { ClearPackageBinding(); }
  } bindingScope;

  ResetInstallState();
  if (!SetPath(pkgDir, installState.setupDir) || !SetPath(installDir, installState.installDir)) {
    std::fprintf(stderr, "kvpack extract: a path is not UTF-8 or longer than %d units\n",
                 kPathUnits - 1);
    return 2;
  }
  installState.featureFlags.store(static_cast<uint32_t>(features));
  installState.runFlag.store(1);

  const int open = OpenSetupPackage();
  std::printf("open: %d\n", open);
  if (open != kOpenOk) {
    std::fprintf(stderr, "kvpack extract: %s\n", OpenCodeMeaning(open));
    ClosePackageFile();
    return 1;
  }
  installState.progressTotal.store(installState.packageBytes);
  const int extract = ExtractWithProgress();
  ClosePackageFile();
  std::printf("extract: %d\n", extract);
  if (extract != 0) std::fprintf(stderr, "kvpack extract: %s\n", EntryCodeMeaning(extract));
  return extract == 0 ? 0 : 1;
}
