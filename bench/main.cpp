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
  std::printf("machine: %s, %u hardware threads\n", CpuModel().c_str(),
              std::thread::hardware_concurrency());
  RunCrcBenchmarks(argc, argv);
  RunExtractBenchmarks(argc, argv);
  return 0;
}
