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
    "usage: kvpack verify DIR\n"
    "  Opens DIR/KVSetup.dat and its parts with the setup program's own check\n"
    "  and prints its code as \"open: N\"; then reads every entry (bounds, CRC,\n"
    "  pad bytes, font names) and compares the MR table with the data parts.\n"
    "  Nothing is written. Exit status 0 only for a sound package.\n";

}  // namespace

int RunVerifyCommand(int argc, char** argv) {
  std::string dir;
  if (std::optional<int> status = kvpack::ParseFolderArgument(argc, argv, kUsage, dir)) return *status;
  kvpack::VerifyReport report;
  {
    kvpack::ProgressBar bar("verify");
    report = kvpack::VerifyPackage(kvpack::PathFromUtf8(dir), [&](uint64_t done, uint64_t total) { bar.Update(done, total); });
  }
  std::printf("open: %d (%s)\n", report.openCode, OpenCodeMeaning(report.openCode));
  if (report.openCode != 0) return 1;
  for (const std::string& p : report.problems) std::printf("problem: %s\n", p.c_str());
  std::printf("%u entries, %u MR records: %s\n", report.entries, report.mrRecords,
              report.sound() ? "sound" : "NOT sound");
  return report.sound() ? 0 : 1;
}
