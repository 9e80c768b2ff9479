// The binding in force for this process (see package_binding.h).
#include "package_binding.h"

#include <cstring>

#include "sha256.h"

namespace {
const uint8_t* inForce = nullptr;

const uint8_t* At(uint32_t offset) { return inForce ? inForce + offset : nullptr; }

// The magic as four words made at compile time: KVSetup.exe must hold the
// magic's bytes once only, in its own block, where kvpack bind looks for
// them; a string to compare against would be a second copy.
constexpr uint32_t MagicWord(int i) {
  return uint32_t(uint8_t(bind::kMagic[4 * i])) | uint32_t(uint8_t(bind::kMagic[4 * i + 1])) << 8 |
         uint32_t(uint8_t(bind::kMagic[4 * i + 2])) << 16 | uint32_t(uint8_t(bind::kMagic[4 * i + 3])) << 24;
}
// Four separate constants, never an array: an array of them would lay the
// magic's bytes down in the image.
constexpr uint32_t kMagic0 = MagicWord(0), kMagic1 = MagicWord(1), kMagic2 = MagicWord(2),
                   kMagic3 = MagicWord(3);

bool MagicMatches(const uint8_t* block) {
  return pkg::ReadU32(block) == kMagic0 && pkg::ReadU32(block + 4) == kMagic1 &&
         pkg::ReadU32(block + 8) == kMagic2 && pkg::ReadU32(block + 12) == kMagic3;
}
}  // namespace

bool UsePackageBinding(const uint8_t* block) {
  inForce = nullptr;
  if (block == nullptr || !MagicMatches(block)) return false;
  if (pkg::ReadU32(block + bind::kOffFormat) != bind::kFormatBound) return false;
  inForce = block;
  return true;
}

void ClearPackageBinding() { inForce = nullptr; }
bool PackageBindingInForce() { return inForce != nullptr; }

const uint8_t* BoundHeaderDigest() { return At(bind::kOffHeaderDigest); }
const uint8_t* BoundSlotDigest(uint32_t slot) {
  return slot < bind::kSlotCount ? At(bind::kOffSlotDigests + slot * bind::kDigestBytes) : nullptr;
}
const uint8_t* BoundMrDigest(uint32_t record) {
  return record < pkg::kMrRecords ? At(bind::kOffMrDigests + record * bind::kDigestBytes) : nullptr;
}
const uint8_t* BoundDriverInstallerDigest() { return At(bind::kOffDriverDigest); }

bool MatchesBoundDigest(const void* data, size_t length, const uint8_t* bound) {
  uint8_t digest[kSha256Bytes];
  Sha256Digest(data, length, digest);
  return std::memcmp(digest, bound, kSha256Bytes) == 0;
}
