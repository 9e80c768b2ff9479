// The binding block inside a setup program file (a PE image): found by its
// magic, which must occur exactly once, read for verify --against and
// extract --against, and written by bind into a copy that replaces the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvpack {

struct ProgramImage {
  std::vector<uint8_t> bytes;  // the whole file
  size_t blockAt = 0;          // offset of the binding block
  size_t checksumAt = 0;       // offset of the optional header's CheckSum
  bool signedImage = false;    // the security data directory is set
  bool bound() const;          // the block carries a binding
  const uint8_t* block() const { return bytes.data() + blockAt; }
};

// Reads a setup program whole and finds its block; false with *error when
// the file cannot be read, is not a PE image, or holds the magic not exactly
// once.
bool ReadProgramImage(const std::filesystem::path& path, ProgramImage* image, std::string* error);

// Copies block (bind::kBlockSize bytes) into the image and, when the image
// carries a PE checksum, makes it right again.
void PutBinding(ProgramImage* image, const uint8_t* block);

// The PE checksum of an image: 16-bit one's-complement-style sum of the file
// with the CheckSum field taken as zero, plus the file's length.
uint32_t PeChecksum(const std::vector<uint8_t>& bytes, size_t checksumAt);

// Replaces path with the image: a temporary file beside it, flushed to the
// disk and renamed over it, with path's permissions.
bool WriteProgramImage(const std::filesystem::path& path, const ProgramImage& image, std::string* error);

// For the verbs that take --against EXE: reads EXE and requires a binding.
// nullopt when it carries one; else the exit status (2, a usage error) after
// a message naming the verb.
std::optional<int> ReadBoundProgram(const char* verb, const std::string& exe, ProgramImage* image);

}  // namespace kvpack
