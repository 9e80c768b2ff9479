// libFuzzer target over kvpack's package reader: an input (fuzz_package.h)
// becomes a package in the in-memory file layer, which `verify` and `list`
// read through VerifyPackage (OpenPackageFolder, WalkEntries, MrTable) and,
// with flag bit 3 and a short report, word as their JSON document. Hostile
// bytes must give a report: a crash, sanitizer report, hang or runaway memory
// is a finding, and so is any file or folder the reader writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_package.h"
#include "os_layer_mem.h"
#include "package_check.h"

namespace {

constexpr wchar_t kPackageDir[] = L"C:\\Package";
constexpr size_t kJsonEntries = 64;

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

  // Flag bit 3: also the JSON document of `verify --json` and `list --json`
  // (list reads through the same walk as verify, so the report covers it),
  // for a report of at most kJsonEntries entries. The writer does the same
  // for every entry, so the hundredth finds nothing the tenth does not, while
  // a hostile report runs to a thousand, and wording those took two fifths
  // of the target's time (the fuzzer keeps mostly inputs with bit 3 set).
  if ((data[0] & 8) && report.entryList.size() <= kJsonEntries) {
    static std::string json;  // its room kept from run to run
    kvpack::ReportJson(report, json);
    if (json.empty() || json.back() != '\n') std::abort();
  }
  ClosePackageFile();
  if (!os::mem::WrittenPaths().empty()) {
    std::fprintf(stderr, "the reader wrote %ls\n", os::mem::WrittenPaths()[0].c_str());
    std::abort();
  }
  return 0;
}
