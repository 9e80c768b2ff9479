// `kvpack sample STAGING [--songs N] [--fonts N] [--mr N] [--scale BYTES]`:
// writes a deterministic sample staging tree.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "sample.h"
#include "text.h"

namespace {

constexpr char kUsage[] =
    "usage: kvpack sample STAGING [--songs N] [--fonts N] [--mr N] [--scale BYTES]\n"
    "  Writes a sample staging tree for `kvpack build`: the 19 fixed files,\n"
    "  N songs (default 20, at most 1000), N fonts with info files (default 4,\n"
    "  at most 128; every fourth without info), N MR files (default 30, at most\n"
    "  2000, numbered from 90001), about BYTES in all (default 4194304). Same\n"
    "  options, same tree.\n";

bool Number(const char* text, uint64_t* out) {
  char* end = nullptr;
  unsigned long long v = std::strtoull(text, &end, 0);
  if (!*text || *text == '-' || *end) return false;
  *out = v;
  return true;
}

}  // namespace

int RunSampleCommand(int argc, char** argv) {
  kvpack::SampleOptions o;
  std::string dir;
  for (int i = 1; i < argc; ++i) {  // argv[0] is the verb
    std::string a = argv[i];
    uint64_t v = 0;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if ((a == "--songs" || a == "--fonts" || a == "--mr" || a == "--scale") && i + 1 < argc) {
      if (!Number(argv[++i], &v)) {
        std::fprintf(stderr, "kvpack sample: %s takes a number\n", a.c_str());
        return 2;
      }
      if (a == "--scale") o.scale = v;
      else if (v > 2000) v = 2001;  // refused below with the others
      if (a == "--songs") o.songs = static_cast<uint32_t>(v);
      if (a == "--fonts") o.fonts = static_cast<uint32_t>(v);
      if (a == "--mr") o.mrFiles = static_cast<uint32_t>(v);
    } else if (a.empty() || a[0] == '-' || !dir.empty()) {
      std::fprintf(stderr, "kvpack sample: unexpected argument %s\n%s", a.c_str(), kUsage);
      return 2;
    } else {
      dir = a;
    }
  }
  if (dir.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string error;
  if (!kvpack::WriteSample(kvpack::PathFromUtf8(dir), o, &error)) {
    std::fprintf(stderr, "kvpack sample: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
