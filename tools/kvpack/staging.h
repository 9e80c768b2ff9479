// Reading a staging tree (laid out like the installed folder) into a package
// description for the writer. Names are handled as UTF-8 on every platform;
// times are the file system's last-write times, to the 100 ns.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "package_writer.h"

namespace kvpack {

struct StagingScan {
  PackageInput input;
  std::vector<std::string> problems;  // refusals: the package cannot be built
  std::vector<std::string> notes;     // things left out on purpose
};

// Walks the tree in sorted order: the 19 fixed files, SongMR/NN/NNN.esz,
// Fonts/<name> with Fonts/Info/<name>.ftb, MR/NNN/NNNNN.emr.
StagingScan ScanStaging(const std::filesystem::path& staging);

// A file's last-write time as a FILETIME.
uint64_t FileTimeOf(const std::filesystem::path& path);

}  // namespace kvpack
