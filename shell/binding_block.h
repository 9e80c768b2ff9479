// The binding block carried in KVSetup.exe's file image (binding_block.cpp).
#pragma once

#include <cstdint>

#include "engine/package_binding.h"

extern const uint8_t programBindingBlock[bind::kBlockSize];
