// The parts of kvbench: each runs its interleaved comparisons and prints its
// own table. argv is kvbench's command line (options such as --scale).
#pragma once

void RunCrcBenchmarks(int argc, char** argv);
void RunShaBenchmarks(int argc, char** argv);
void RunExtractBenchmarks(int argc, char** argv);
