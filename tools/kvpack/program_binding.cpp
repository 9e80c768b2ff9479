// Finding, reading and writing the binding block of a setup program file.
#include "program_binding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "engine/package_binding.h"
#include "engine/package_format.h"
#include "file_io.h"
#include "text.h"

namespace kvpack {

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kPe32 = 0x10b, kPe32Plus = 0x20b;
constexpr uint32_t kSecurityDirectory = 4;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The PE fields bind needs: where CheckSum lies and whether a signature is
// attached (its data directory entry set). False for anything else.
bool ParsePe(ProgramImage* image, std::string* error) {
  const std::vector<uint8_t>& b = image->bytes;
  *error = "not a Windows program (no PE header)";
  if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return false;
  const uint64_t pe = pkg::ReadU32(&b[0x3C]);
  if (pe + 24 + 2 > b.size() || std::memcmp(&b[pe], "PE\0\0", 4) != 0) return false;
  const uint64_t optional = pe + 24;
  const uint16_t optionalSize = ReadU16(&b[pe + 20]);
  const uint16_t magic = ReadU16(&b[optional]);
  if (magic != kPe32 && magic != kPe32Plus) return false;
  const uint64_t countAt = optional + (magic == kPe32 ? 92 : 108);
  const uint64_t directories = countAt + 4;
  if (optional + optionalSize > b.size() || directories > optional + optionalSize) return false;
  const uint32_t count = pkg::ReadU32(&b[countAt]);
  const uint64_t security = directories + 8 * kSecurityDirectory;
  image->checksumAt = static_cast<size_t>(optional + 64);
  image->signedImage = count > kSecurityDirectory && security + 8 <= optional + optionalSize &&
                       (pkg::ReadU32(&b[security]) != 0 || pkg::ReadU32(&b[security + 4]) != 0);
  error->clear();
  return true;
}

}  // namespace

bool ProgramImage::bound() const { return pkg::ReadU32(block() + bind::kOffFormat) == bind::kFormatBound; }

bool ReadProgramImage(const fs::path& path, ProgramImage* image, std::string* error) {
  std::error_code failure;
  const uintmax_t size = fs::file_size(path, failure);
  if (failure) {
    *error = "cannot read " + Utf8FromPath(path) + ": " + failure.message();
    return false;
  }
  io::File file;
  image->bytes.assign(static_cast<size_t>(size), 0);
  std::string reason;
  if (!file.OpenRead(path, &reason) || !file.Read(image->bytes.data(), image->bytes.size(), &reason)) {
    *error = "cannot read " + Utf8FromPath(path) + ": " + reason;
    return false;
  }
  if (!ParsePe(image, &reason)) {
    *error = Utf8FromPath(path) + ": " + reason;
    return false;
  }
  const auto& b = image->bytes;
  const auto magicEnd = bind::kMagic + sizeof bind::kMagic;
  auto at = std::search(b.begin(), b.end(), bind::kMagic, magicEnd);
  if (at == b.end()) {
    *error = Utf8FromPath(path) + ": no binding block (not a setup program)";
    return false;
  }
  if (std::search(at + 1, b.end(), bind::kMagic, magicEnd) != b.end()) {
    *error = Utf8FromPath(path) + ": the binding block's magic occurs more than once";
    return false;
  }
  image->blockAt = static_cast<size_t>(at - b.begin());
  if (image->blockAt + bind::kBlockSize > b.size()) {
    *error = Utf8FromPath(path) + ": the binding block is cut short";
    return false;
  }
  return true;
}

uint32_t PeChecksum(const std::vector<uint8_t>& bytes, size_t checksumAt) {
  uint64_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i >= checksumAt && i < checksumAt + 4) continue;  // the field itself counts as zero
    sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + bytes.size());
}

void PutBinding(ProgramImage* image, const uint8_t* block) {
  std::memcpy(image->bytes.data() + image->blockAt, block, bind::kBlockSize);
  // A linker that leaves CheckSum 0 asks nobody to check it; one that set it
  // gets it right again (signing recomputes it anyway).
  uint8_t* checksum = image->bytes.data() + image->checksumAt;
  if (pkg::ReadU32(checksum) != 0) pkg::WriteU32(checksum, PeChecksum(image->bytes, image->checksumAt));
}

bool WriteProgramImage(const fs::path& path, const ProgramImage& image, std::string* error) {
  const uint64_t salt = std::random_device{}() ^ static_cast<uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".kvpack-bind-%08llx", static_cast<unsigned long long>(salt));
  fs::path temp = path;
  temp += suffix;
  std::string reason;
  io::File file;
  bool ok = file.CreateTemporary(temp, &reason);
  const bool made = ok;
  ok = ok && file.Write(image.bytes.data(), image.bytes.size(), &reason) && file.FlushToDisk(&reason) &&
       file.Keep(&reason) && file.Close(&reason);
  if (ok) {
    std::error_code failure;
    const fs::perms perms = fs::status(path, failure).permissions();
    if (!failure) fs::permissions(temp, perms, failure);
    ok = io::MoveOver(temp, path, &reason);
  }
  if (!ok) {
    file = io::File();  // closed before its temporary file is removed (Windows)
    std::string ignored;
    if (made) io::RemoveFile(temp, &ignored);
    *error = "cannot write " + Utf8FromPath(path) + ": " + reason + "; it is unchanged";
  }
  io::ForgetTemporaries();
  return ok;
}

std::optional<int> ReadBoundProgram(const char* verb, const std::string& exe, ProgramImage* image) {
  std::string error;
  if (!ReadProgramImage(PathFromUtf8(exe), image, &error)) {
    std::fprintf(stderr, "kvpack %s: --against: %s\n", verb, error.c_str());
    return 2;
  }
  if (!image->bound()) {
    std::fprintf(stderr, "kvpack %s: --against: %s carries no binding (kvpack bind binds it)\n", verb,
                 exe.c_str());
    return 2;
  }
  return std::nullopt;
}

}  // namespace kvpack
