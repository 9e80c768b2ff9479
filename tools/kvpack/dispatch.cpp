// kvpack: builds, checks, lists and extracts setup packages. Dispatches to
// the verbs of commands.h; main_posix.cpp and main_win.cpp hand it the
// arguments as UTF-8.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack VERB ...   (kvpack VERB --help for each)\n"
    "  build STAGING OUTDIR   make KVSetup.dat and its data parts\n"
    "  verify [--against EXE] DIR [--json]   check a package as the setup program\n"
    "                         does, and more; against the package EXE is bound to\n"
    "  list DIR [--json]      show entries and MR records\n"
    "  extract [--against EXE] PKGDIR INSTALLDIR [--features N]\n"
    "                         install as the (bound) setup program does\n"
    "  remove INSTALLDIR [--brand]                remove as the setup program does\n"
    "  sample STAGING [...]   write a sample staging tree\n"
    "  bind EXE PKGDIR        bind a setup program to its package (before signing)\n";

struct Verb {
  const char* name;
  int (*run)(int, char**);
};

constexpr Verb kVerbs[] = {
    {"build", RunBuildCommand},     {"verify", RunVerifyCommand}, {"list", RunListCommand},
    {"extract", RunExtractCommand}, {"remove", RunRemoveCommand}, {"sample", RunSampleCommand},
    {"bind", RunBindCommand},
};

}  // namespace

int RunKvpack(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const Verb& v : kVerbs)
    if (!std::strcmp(argv[1], v.name)) return v.run(argc - 1, argv + 1);  // argv[0] is the verb
  std::fprintf(stderr, "kvpack: unknown verb %s\n%s", argv[1], kUsage);
  return 2;
}
