// The one call from the engine into the wizard: make a page current. The
// shell implements it; it is safe to call from an operation thread.
#pragma once

#include <cstdint>

constexpr uint32_t kPageError = 16;
constexpr uint32_t kPageCompletion = 17;

void SwitchPage(uint32_t page);
