// `kvpack bind EXE PKGDIR`: binds a setup program to the package in PKGDIR,
// writing the package's digests into the program's binding block in place.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "package_check.h"
#include "program_binding.h"
#include "progress.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack bind EXE PKGDIR\n"
    "  Writes the SHA-256 digests of the package in PKGDIR (its header, every\n"
    "  entry as the setup program reads it, every MR file) into EXE, a copy of\n"
    "  KVSetup.exe, which then installs that package only. EXE is replaced in\n"
    "  one step; binding again to the same package gives the same bytes.\n"
    "  Refused: a package with any problem (kvpack verify), or an EXE that is\n"
    "  already signed (bind before signing: the signature would break).\n"
    "  Exit status 0 when EXE is bound, 1 when refused, 2 for a usage error.\n";

}  // namespace

int RunBindCommand(int argc, char** argv) {
  std::string exe, pkgDir;
  for (int i = 1; i < argc; ++i) {  // argv[0] is the verb
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if ((!a.empty() && a[0] == '-') || !pkgDir.empty()) {
      std::fprintf(stderr, "kvpack bind: unexpected argument %s\n%s", a.c_str(), kUsage);
      return 2;
    }
    (exe.empty() ? exe : pkgDir) = a;
  }
  if (pkgDir.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  kvpack::ProgramImage image;
  std::string error;
  if (!kvpack::ReadProgramImage(kvpack::PathFromUtf8(exe), &image, &error)) {
    std::fprintf(stderr, "kvpack bind: %s\n", error.c_str());
    return 1;
  }
  if (image.signedImage) {
    std::fprintf(stderr,
                 "kvpack bind: %s is already signed; binding it would break the signature. "
                 "Bind the unsigned program, then sign it.\n",
                 exe.c_str());
    return 1;
  }

  kvpack::VerifyReport report;
  {
    kvpack::ProgressBar bar("bind");
    report = kvpack::VerifyPackage(kvpack::PathFromUtf8(pkgDir),
                                   [&](uint64_t done, uint64_t total) { bar.Update(done, total); },
                                   kvpack::BindingPass{true, nullptr});
  }
  if (!report.sound()) {
    kvpack::PrintShown("problem", report.problems);
    std::fprintf(stderr, "kvpack bind: refused, the package has problems (kvpack verify); %s is unchanged\n",
                 exe.c_str());
    return 1;
  }

  const bool already = image.bound() && std::memcmp(image.block(), report.binding.data(), report.binding.size()) == 0;
  if (!already) {
    kvpack::PutBinding(&image, report.binding.data());
    if (!kvpack::WriteProgramImage(kvpack::PathFromUtf8(exe), image, &error)) {
      std::fprintf(stderr, "kvpack bind: %s\n", error.c_str());
      return 1;
    }
  }
  std::printf("%s: %u entries, %u MR records\n", already ? "already bound to this package" : "bound",
              report.entries, report.mrRecords);
  return 0;
}
