// `kvpack verify DIR`: runs the setup program's OpenSetupPackage on DIR, then
// checks every entry and the MR table; exit status 0 only for a sound package.
#include <cstdio>
#include <string>

#include "args.h"
#include "commands.h"
#include "package_check.h"
#include "progress.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack verify DIR [--json]\n"
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
    "  Exit status 0 when there is no problem, 1 otherwise, 2 for a usage error.\n";

}  // namespace

int RunVerifyCommand(int argc, char** argv) {
  std::string dir;
  bool json = false;
  if (std::optional<int> status = kvpack::ParseFolderArgument(argc, argv, kUsage, dir, &json)) return *status;
  kvpack::VerifyReport report;
  {
    kvpack::ProgressBar bar("verify");
    report = kvpack::VerifyPackage(kvpack::PathFromUtf8(dir),
                                   [&](uint64_t done, uint64_t total) { bar.Update(done, total); });
  }
  if (json) {
    std::fputs(kvpack::ReportJson(report).c_str(), stdout);
    return report.sound() ? 0 : 1;
  }
  std::printf("open: %d (%s)\n", report.openCode, OpenCodeMeaning(report.openCode));
  if (report.openCode != 0) return 1;
  for (const std::string& p : report.problems) std::printf("problem: %s\n", kvpack::ShownText(p).c_str());
  for (const std::string& w : report.warnings) std::printf("warning: %s\n", kvpack::ShownText(w).c_str());
  std::printf("%u entries, %u MR records: %s", report.entries, report.mrRecords,
              report.sound() ? "sound" : "NOT sound");
  if (!report.problems.empty()) std::printf(", %zu problems", report.problems.size());
  if (!report.warnings.empty()) std::printf(", %zu warnings", report.warnings.size());
  std::printf("\n");
  return report.sound() ? 0 : 1;
}
