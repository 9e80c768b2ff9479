// kvbench: our code against reference tools, run interleaved on one machine.
// Prints the machine first, then each comparison's medians and ratios.
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "bench/bench.h"

namespace {

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "unknown processor";
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      std::puts("usage: kvbench [--scale F] [--runs N] [--work DIR]\n"
                "  CRC-32 against zlib, SHA-256 against OpenSSL, then kvpack extract against\n"
                "  tar -x and kvpack build against tar -c on a sample of about F GB (default\n"
                "  1) in DIR (default $TMPDIR or /tmp), N interleaved runs each (default 5);\n"
                "  prints medians and ratios.");
      return 0;
    }
  }
  std::printf("machine: %s, %u hardware threads\n", CpuModel().c_str(),
              std::thread::hardware_concurrency());
  RunCrcBenchmarks(argc, argv);
  RunShaBenchmarks(argc, argv);
  RunExtractBenchmarks(argc, argv);
  return 0;
}
