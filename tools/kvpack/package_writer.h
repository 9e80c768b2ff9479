// Writing a setup package (KVSetup.dat and its data parts) from a description
// of its content. Used by `kvpack build` (content read from a staging tree)
// and by the tests (content held in memory). The layout is that of
// engine/package_format.h; the output depends only on the description.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/package_format.h"

namespace kvpack {

// The bytes of one packaged file: held in memory, or read from sourcePath
// when the package is written (it must then still have `size` bytes).
struct Content {
  std::vector<uint8_t> bytes;
  std::filesystem::path sourcePath;
  uint64_t size = 0;
  uint64_t lastWriteTime = 0;  // FILETIME

  static Content FromBytes(std::vector<uint8_t> data, uint64_t fileTime);
  static Content FromFile(std::filesystem::path path, uint64_t size, uint64_t fileTime);
};

struct FontInput {
  std::u16string name;          // stored in fontNames
  std::optional<Content> file;  // absent: an empty slot, no info slot
  std::optional<Content> info;  // only with the font file
};

struct MrInput {
  uint32_t number = 0;
  Content content;
};

struct PackageInput {
  uint32_t versionWords[9] = {};
  std::optional<Content> fixed[pkg::kFixedEntriesUsed];  // package order
  std::map<uint32_t, Content> songs;                     // song number 0 .. 999
  std::vector<FontInput> fonts;                          // fontNames order
  std::vector<MrInput> mrFiles;                          // record order
};

constexpr uint64_t kDefaultPartLimit = 0x7FFFFFFF;

struct WriteOptions {
  // Largest data part; MR files are laid into parts in order, a new part
  // starting when the next file would pass this size.
  uint64_t partLimit = kDefaultPartLimit;
  // Off only for tests that craft damaged packages: then missing fixed files,
  // short entries, unsafe names and odd MR numbers are written as given (the
  // format's own capacity is always enforced).
  bool enforceRules = true;
  // Called with bytes written so far and the total.
  std::function<void(uint64_t done, uint64_t total)> progress;
};

// Everything in the description that the format or the setup program cannot
// take, one line per problem; empty when it can be written.
std::vector<std::string> CheckInput(const PackageInput& input, const WriteOptions& options);

// Checks the description and writes KVSetup.dat and KVSetup.d01 ... into
// outDir (created when missing); higher-numbered parts left by an earlier
// build are removed. False with *error set when nothing or not all was
// written (the earlier package is then as it was), or when a file of the
// earlier package could not be removed after the new one was put in place.
bool WritePackage(const PackageInput& input, const std::filesystem::path& outDir,
                  const WriteOptions& options, std::string* error);

// The name of data part n ("KVSetup.d01").
std::string PartFileName(uint32_t n);

}  // namespace kvpack
