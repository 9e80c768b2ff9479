// `kvpack extract PKGDIR INSTALLDIR [--features N]`: runs the setup program's
// own OpenSetupPackage and ExtractPackage on a package folder and prints the
// engine's codes; draws a progress bar when standard error is a terminal.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <thread>

#include "commands.h"
#include "extraction.h"
#include "install_state.h"
#include "package_reader.h"

namespace {

// Converts a UTF-8 argument into a path buffer; false when it does not fit.
bool ToPath(const char* text, wchar_t (&out)[kPathUnits]) {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  std::mbstate_t state{};
  const char* src = text;
  const size_t n = std::mbsrtowcs(out, &src, kPathUnits, &state);
  if (n == static_cast<size_t>(-1) || src != nullptr || n >= kPathUnits) {
    out[0] = 0;
    return false;
  }
  return true;
}

void DrawBar(uint64_t pos, uint64_t total) {
  constexpr int kWidth = 40;
  const int filled = total ? static_cast<int>(pos * kWidth / total) : 0;
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = 0;
  std::fprintf(stderr, "\r[%s] %3d%%", bar, total ? static_cast<int>(pos * 100 / total) : 0);
  std::fflush(stderr);
}

int Usage() {
  std::fprintf(stderr, "usage: kvpack extract PKGDIR INSTALLDIR [--features N]\n");
  return 2;
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
  // argv[0] is the verb.
  const char* pkgDir = nullptr;
  const char* installDir = nullptr;
  unsigned long features = 7;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--features") == 0 && i + 1 < argc) {
      char* end = nullptr;
      features = std::strtoul(argv[++i], &end, 0);
      if (*end != 0 || features > 0xFFFFFFFFul) return Usage();
    } else if (argv[i][0] == '-' && argv[i][1] == '-') {
      return Usage();
    } else if (!pkgDir) {
      pkgDir = argv[i];
    } else if (!installDir) {
      installDir = argv[i];
    } else {
      return Usage();
    }
  }
  if (!pkgDir || !installDir) return Usage();

  ResetInstallState();
  if (!ToPath(pkgDir, installState.setupDir) || !ToPath(installDir, installState.installDir)) {
    std::fprintf(stderr, "kvpack extract: path too long or not UTF-8\n");
    return 2;
  }
  installState.featureFlags.store(static_cast<uint32_t>(features));
  installState.runFlag.store(1);

  const int open = OpenSetupPackage();
  std::printf("open: %d\n", open);
  if (open != 0) {
    std::fprintf(stderr, "kvpack extract: %s\n", OpenCodeMeaning(open));
    ClosePackageFile();
    return 1;
  }
  installState.progressTotal.store(installState.packageBytes);

  int extract = 0;
  if (isatty(STDERR_FILENO)) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      extract = ExtractPackage();
      done.store(true);
    });
    while (!done.load()) {
      DrawBar(installState.progressPos.load(), installState.packageBytes);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    worker.join();
    DrawBar(installState.progressPos.load(), installState.packageBytes);
    std::fputc('\n', stderr);
  } else {
    extract = ExtractPackage();
  }
  ClosePackageFile();
  std::printf("extract: %d\n", extract);
  if (extract != 0) std::fprintf(stderr, "kvpack extract: %s\n", EntryCodeMeaning(extract));
  return extract == 0 ? 0 : 1;
}
