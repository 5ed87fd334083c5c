#pragma once
// Result codes of the device layer. 0 is success, negative is failure. The values are the ones the
// program's error table and log know (Not enough memory, Not enough video memory, device lost ...),
// so they are kept bit for bit; the names are ours.

#include <cstdint>

namespace vm::d3d {

using Result = std::int32_t;

constexpr Result kOk = 0;
constexpr Result kErrFail = static_cast<Result>(0x80004005u);
constexpr Result kErrInvalidArg = static_cast<Result>(0x80070057u);
constexpr Result kErrOutOfMemory = static_cast<Result>(0x8007000Eu);
constexpr Result kErrNotFound = static_cast<Result>(0x88760866u);
constexpr Result kErrMoreData = static_cast<Result>(0x88760867u);
constexpr Result kErrDeviceLost = static_cast<Result>(0x88760868u);
constexpr Result kErrDeviceNotReset = static_cast<Result>(0x88760869u);
constexpr Result kErrNotAvailable = static_cast<Result>(0x8876086Au);
constexpr Result kErrOutOfVideoMemory = static_cast<Result>(0x8876017Cu);
constexpr Result kErrInvalidDevice = static_cast<Result>(0x8876086Bu);
constexpr Result kErrInvalidCall = static_cast<Result>(0x8876086Cu);
constexpr Result kErrDriverInternal = static_cast<Result>(0x88760827u);

constexpr bool Succeeded(Result r) { return r >= 0; }
constexpr bool Failed(Result r) { return r < 0; }

}  // namespace vm::d3d
