#pragma once
// Result codes of the D3DX layer: 0 success, negative failure. The values are the classic 32-bit
// codes, so that logs and callers comparing numbers see what the Parts name.

#include <cstdint>

namespace vm::d3dx {

using Result = std::int32_t;

inline constexpr Result kOk = 0;
inline constexpr Result kErrFail = static_cast<Result>(0x80004005u);
inline constexpr Result kErrInvalidArg = static_cast<Result>(0x80070057u);
inline constexpr Result kErrOutOfMemory = static_cast<Result>(0x8007000Eu);
// The bytes are not an image (or a mesh) this layer can read: unknown, truncated or corrupt.
inline constexpr Result kErrInvalidData = static_cast<Result>(0x88760B59u);
// The device could not hold the texture or buffer.
inline constexpr Result kErrOutOfVideoMemory = static_cast<Result>(0x8876017Cu);
inline constexpr Result kErrInvalidCall = static_cast<Result>(0x8876086Cu);
inline constexpr Result kErrNotAvailable = static_cast<Result>(0x8876086Au);

inline constexpr bool succeeded(Result r) noexcept { return r >= 0; }
inline constexpr bool failed(Result r) noexcept { return r < 0; }

}  // namespace vm::d3dx
