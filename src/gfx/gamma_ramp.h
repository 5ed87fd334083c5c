#pragma once
// The user's gamma setting (GmCntrl, 0..255, 100 neutral) as the device's 16-bit ramp, the same
// table for red, green and blue.

#include <cstdint>

#include "platform/d3d/records.h"

namespace vm::gfx {

d3d::GammaRamp gammaRamp(std::uint8_t value) noexcept;

}  // namespace vm::gfx
