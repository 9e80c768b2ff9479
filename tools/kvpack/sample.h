// A deterministic sample staging tree for demos, tests and the benchmark:
// the 19 fixed files, songs, fonts with info files and MR files of pseudo-
// random content and fixed times.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kvpack {

struct SampleOptions {
  uint32_t songs = 20;   // 0 .. 1000, spread over 000 .. 999
  uint32_t fonts = 4;    // 0 .. 128; every fourth has no info file
  uint32_t mrFiles = 30; // 0 .. 2000, numbered from 90001
  uint64_t scale = 4u << 20;  // about this many bytes in all
};

// Writes the tree below staging (created when missing). False with *error.
bool WriteSample(const std::filesystem::path& staging, const SampleOptions& options,
                 std::string* error);

}  // namespace kvpack
