// libFuzzer target over kvpack's package reader: an input (fuzz_package.h)
// becomes a package in the in-memory file layer, which `verify` (VerifyPackage
// and its JSON report) and `list` (OpenPackageFolder, WalkEntries, MrTable)
// then read (JSON and `list` only with flag bit 3). Hostile bytes must give a report: a crash, sanitizer report,
// hang or runaway memory is a finding, and so is any file or folder the
// reader writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_package.h"
#include "os_layer_mem.h"
#include "package_check.h"

namespace {

constexpr wchar_t kPackageDir[] = L"C:\\Package";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  os::mem::Reset();
  if (!fuzz::PutPackage(kPackageDir, data, size)) return 0;
  const std::filesystem::path dir(kPackageDir);

  const kvpack::VerifyReport report = kvpack::VerifyPackage(dir);
  if (report.openCode != kOpenOk && report.problems.empty()) {
    std::fprintf(stderr, "verify: open failed (%d) without a problem\n", report.openCode);
    std::abort();
  }

  // Flag bit 3: also the report as JSON and the walk of `list`. Both only
  // print what verify found (a hostile package's report runs to hundreds of
  // problems), so running them for every input would only cut the rate.
  const bool list = data[0] & 8;
  if (list) {
    const std::string json = kvpack::ReportJson(report);
    if (json.empty() || json.back() != '\n') std::abort();
  }
  if (list && kvpack::OpenPackageFolder(dir) == kOpenOk) {
    uint64_t sum = 0;
    kvpack::WalkEntries([&](const kvpack::EntryInfo& e) {
      if (e.present && e.code == kEntryOk) sum += e.view.length + e.view.lastWriteTime;
    });
    for (const kvpack::MrInfo& m : kvpack::MrTable()) sum += m.size;
    (void)sum;
  }
  ClosePackageFile();
  if (!os::mem::WrittenPaths().empty()) {
    std::fprintf(stderr, "the reader wrote %ls\n", os::mem::WrittenPaths()[0].c_str());
    std::abort();
  }
  return 0;
}
