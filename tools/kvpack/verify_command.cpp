// `kvpack verify [--against EXE] DIR`: runs the setup program's
// OpenSetupPackage on DIR, then checks every entry and the MR table, and
// with --against compares the package with the one EXE is bound to; exit
// status 0 only for a sound package (and the bound one).
#include <cstdio>
#include <string>
#include <vector>

#include "args.h"
#include "commands.h"
#include "package_check.h"
#include "program_binding.h"
#include "progress.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack verify [--against EXE] DIR [--json]\n"
    "  Opens DIR/KVSetup.dat and its parts with the setup program's own check\n"
    "  and prints its code as \"open: N\"; then reads every entry (bounds, CRC,\n"
    "  font names) and compares the MR table with the data parts. Nothing is\n"
    "  written.\n"
    "  problem: the setup program would fail, or install something other than\n"
    "           what was packed (open codes, entry bounds and CRCs, MR table\n"
    "           faults, unsafe names, font names that are one file name on\n"
    "           Windows or name the Info folder, part sizes)\n"
    "  warning: accepted by the setup program: non-zero pad bytes, bytes no\n"
    "           entry covers, slot ends that go back, records out of order\n"
    "           (kvpack build writes none of these), and MR numbers outside\n"
    "           90001 .. 100000, which removal leaves behind (kvpack build takes\n"
    "           1 .. 4294967295)\n"
    "  --json   print one JSON document (open code, entries, records, problems,\n"
    "           warnings) instead of text\n"
    "  --against EXE  also compare DIR with the package EXE (a setup program\n"
    "           made by kvpack bind, signed or not) is bound to: the header, every\n"
    "           entry and every MR file that differs is a problem; an EXE that\n"
    "           carries no binding is a usage error\n"
    "  Exit status 0 when there is no problem, 1 otherwise, 2 for a usage error.\n";

}  // namespace

int RunVerifyCommand(int argc, char** argv) {
  // --against EXE is taken out here; the rest is the plain verb's.
  std::string exe;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::string(argv[i]) == "--against") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "kvpack verify: --against takes a setup program\n%s", kUsage);
        return 2;
      }
      exe = argv[++i];
      continue;
    }
    rest.push_back(argv[i]);
  }
  std::string dir;
  bool json = false;
  if (std::optional<int> status =
          kvpack::ParseFolderArgument(static_cast<int>(rest.size()), rest.data(), kUsage, dir, &json))
    return *status;
  kvpack::BindingPass pass;
  kvpack::ProgramImage image;
  if (!exe.empty()) {
    std::optional<int> status = kvpack::ReadBoundProgram("verify", exe, &image);
    if (status) return *status;
    pass.against = image.block();
  }
  kvpack::VerifyReport report;
  {
    kvpack::ProgressBar bar("verify");
    report = kvpack::VerifyPackage(kvpack::PathFromUtf8(dir),
                                   [&](uint64_t done, uint64_t total) { bar.Update(done, total); }, pass);
  }
  if (json) {
    std::fputs(kvpack::ReportJson(report).c_str(), stdout);
    return report.sound() ? 0 : 1;
  }
  std::printf("open: %d (%s)\n", report.openCode, OpenCodeMeaning(report.openCode));
  if (report.openCode != 0) return 1;
  kvpack::PrintShown("problem", report.problems);
  kvpack::PrintShown("warning", report.warnings);
  std::printf("%u entries, %u MR records: %s", report.entries, report.mrRecords,
              report.sound() ? "sound" : "NOT sound");
  if (report.bindingDifferences == 0) std::printf(", the bound package");
  if (report.bindingDifferences > 0) std::printf(", NOT the bound package");
  if (!report.problems.empty()) std::printf(", %zu problems", report.problems.size());
  if (!report.warnings.empty()) std::printf(", %zu warnings", report.warnings.size());
  std::printf("\n");
  return report.sound() ? 0 : 1;
}
