// `kvpack list DIR`: the header, every present entry with its size, time and
// CRC state, and the MR records.
#include <cstdio>
#include <string>

#include "args.h"
#include "commands.h"
#include "engine/install_state.h"
#include "package_check.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack list DIR [--json]\n"
    "  Lists the package in DIR: version words and parts, then every entry of\n"
    "  KVSetup.dat (offset, data bytes, last-write time UTC, CRC state, path)\n"
    "  and every MR record (number, part, offset, bytes, time).\n"
    "  --json  print the same JSON document as `kvpack verify --json`\n"
    "  Exit status 0 when every entry could be read.\n";

}  // namespace

int RunListCommand(int argc, char** argv) {
  std::string dir;
  bool json = false;
  if (std::optional<int> status = kvpack::ParseFolderArgument(argc, argv, kUsage, dir, &json)) return *status;
  if (json) {
    const kvpack::VerifyReport report = kvpack::VerifyPackage(kvpack::PathFromUtf8(dir));
    std::fputs(kvpack::ReportJson(report).c_str(), stdout);
    bool readable = report.openCode == kOpenOk;
    for (const kvpack::EntrySummary& e : report.entryList) readable = readable && e.code == kEntryOk;
    return readable ? 0 : 1;
  }
  int code = kvpack::OpenPackageFolder(kvpack::PathFromUtf8(dir));
  std::printf("open: %d (%s)\n", code, OpenCodeMeaning(code));
  if (code != 0) {
    ClosePackageFile();
    return 1;
  }
  std::printf("version words:");
  for (int i = 0; i < 9; ++i) std::printf(" 0x%08x", HeaderU32(pkg::kOffVersionWords + 4 * i));
  std::printf("\nKVSetup.dat: %u bytes\n", HeaderU32(pkg::kOffIndexFileSize));
  uint32_t parts = HeaderU32(pkg::kOffPartCount);
  for (uint32_t n = 1; n <= parts; ++n)
    std::printf("KVSetup.d%02u: %u bytes\n", n, HeaderU32(pkg::kOffPartSizes + 4 * (n - 1)));

  int bad = 0;
  std::printf("%10s %10s  %-19s  %-6s  %s\n", "offset", "bytes", "written (UTC)", "check", "path");
  kvpack::WalkEntries([&](const kvpack::EntryInfo& e) {
    if (!e.present) return;
    if (e.code == 0) {
      std::printf("%10u %10u  %-19s  %-6s  %s\n", e.start, e.view.length,
                  kvpack::FormatFileTime(e.view.lastWriteTime).c_str(), "ok", kvpack::ShownText(e.Label()).c_str());
    } else {
      ++bad;
      std::printf("%10u %10s  %-19s  %-6d  %s (%s)\n", e.start, "?", "?", e.code, kvpack::ShownText(e.Label()).c_str(),
                  EntryCodeMeaning(e.code));
    }
  });
  std::printf("%6s %5s %10s %10s  %-19s  %s\n", "record", "part", "offset", "bytes", "written (UTC)", "file");
  for (const kvpack::MrInfo& m : kvpack::MrTable()) {
    std::printf("%6u %5u %10u %10u  %-19s  %s\n", m.record, m.partIndex, m.partOffset, m.size,
                kvpack::FormatFileTime(m.lastWriteTime).c_str(), m.Label().c_str());
  }
  ClosePackageFile();
  return bad == 0 ? 0 : 1;
}
