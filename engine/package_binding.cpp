// The binding in force for this process (see package_binding.h).
#include "package_binding.h"

#include <cstring>

namespace {
const uint8_t* inForce = nullptr;

const uint8_t* At(uint32_t offset) { return inForce ? inForce + offset : nullptr; }
}  // namespace

bool UsePackageBinding(const uint8_t* block) {
  inForce = nullptr;
  if (block == nullptr || std::memcmp(block, bind::kMagic, sizeof bind::kMagic) != 0) return false;
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
