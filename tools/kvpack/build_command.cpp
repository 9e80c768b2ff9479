// `kvpack build STAGING OUTDIR [--part-limit BYTES] [--version w1,...,w9]`:
// scans a staging tree and writes KVSetup.dat and its data parts.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"
#include "package_writer.h"
#include "progress.h"
#include "staging.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack build STAGING OUTDIR [--part-limit BYTES] [--version w1,...,w9]\n"
    "  Packs a staging tree laid out like the installed folder (Driver/, the\n"
    "  program files, Doc/, User/, SongMR/NN/NNN.esz, Fonts/<name> with\n"
    "  Fonts/Info/<name>.ftb, MR/NNN/NNNNN.emr) into OUTDIR/KVSetup.dat and\n"
    "  OUTDIR/KVSetup.d01 ... (the MR files, at most 16 parts).\n"
    "  --part-limit BYTES  largest data part (default 2147483647)\n"
    "  --version LIST      up to nine 32-bit version words, comma-separated\n"
    "                      (decimal or 0x hex; missing words are 0)\n"
    "  Files keep their last-write times; the same input gives the same bytes.\n";

bool ParseNumber(const char* text, uint64_t max, uint64_t* out) {
  if (!*text || *text == '-') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text, &end, 0);
  if (errno != 0 || *end != 0 || v > max) return false;
  *out = v;
  return true;
}

bool ParseVersion(const std::string& list, uint32_t (&words)[9]) {
  size_t pos = 0;
  for (int i = 0; i < 9; ++i) {
    size_t comma = list.find(',', pos);
    std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    uint64_t v = 0;
    if (!ParseNumber(item.c_str(), 0xFFFFFFFFull, &v)) return false;
    words[i] = static_cast<uint32_t>(v);
    if (comma == std::string::npos) return true;
    pos = comma + 1;
  }
  return false;  // more than nine
}

}  // namespace

int RunBuildCommand(int argc, char** argv) {
  std::string staging, out;
  kvpack::WriteOptions options;
  uint32_t version[9] = {};
  for (int i = 1; i < argc; ++i) {  // argv[0] is the verb
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--part-limit" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], 0xFFFFFFFFull, &options.partLimit) || options.partLimit == 0) {
        std::fprintf(stderr, "kvpack build: --part-limit takes 1 .. 4294967295\n");
        return 2;
      }
    } else if (a == "--version" && i + 1 < argc) {
      if (!ParseVersion(argv[++i], version)) {
        std::fprintf(stderr, "kvpack build: --version takes up to nine 32-bit words, comma-separated\n");
        return 2;
      }
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "kvpack build: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else if (staging.empty()) {
      staging = a;
    } else if (out.empty()) {
      out = a;
    } else {
      std::fprintf(stderr, "kvpack build: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  kvpack::StagingScan scan = kvpack::ScanStaging(kvpack::PathFromUtf8(staging));
  for (const std::string& note : scan.notes) std::fprintf(stderr, "kvpack build: %s\n", kvpack::ShownText(note).c_str());
  std::memcpy(scan.input.versionWords, version, sizeof version);
  std::vector<std::string> problems = scan.problems;
  if (problems.empty()) problems = kvpack::CheckInput(scan.input, options);
  if (!problems.empty()) {
    for (const std::string& p : problems) std::fprintf(stderr, "kvpack build: %s\n", kvpack::ShownText(p).c_str());
    std::fprintf(stderr, "kvpack build: refused, nothing written\n");
    return 1;
  }

  kvpack::ProgressBar bar("build");
  options.progress = [&](uint64_t done, uint64_t total) { bar.Update(done, total); };
  std::string error;
  if (!kvpack::WritePackage(scan.input, kvpack::PathFromUtf8(out), options, &error)) {
    std::fprintf(stderr, "kvpack build: %s\n", error.c_str());
    return 1;
  }
  std::printf("built %s: %u fixed files, %zu songs, %zu fonts, %zu MR files\n", out.c_str(),
              static_cast<unsigned>(pkg::kFixedEntriesUsed), scan.input.songs.size(),
              scan.input.fonts.size(), scan.input.mrFiles.size());
  return 0;
}
