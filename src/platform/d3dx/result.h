#pragma once
// Result codes of the D3DX layer: those of the device layer, plus invalid data for bytes that are no
// image or mesh this layer can read. 0 success, negative failure.

#include <cstdint>

#include "platform/d3d/results.h"

namespace vm::d3dx {

using Result = d3d::Result;

inline constexpr Result kOk = d3d::kOk;
inline constexpr Result kErrFail = d3d::kErrFail;
inline constexpr Result kErrInvalidArg = d3d::kErrInvalidArg;
inline constexpr Result kErrOutOfMemory = d3d::kErrOutOfMemory;
inline constexpr Result kErrOutOfVideoMemory = d3d::kErrOutOfVideoMemory;
inline constexpr Result kErrInvalidCall = d3d::kErrInvalidCall;
inline constexpr Result kErrNotAvailable = d3d::kErrNotAvailable;
// The bytes are not an image (or a mesh) this layer can read: unknown, truncated or corrupt.
inline constexpr Result kErrInvalidData = static_cast<Result>(0x88760B59u);

inline constexpr bool succeeded(Result r) noexcept { return r >= 0; }
inline constexpr bool failed(Result r) noexcept { return r < 0; }

}  // namespace vm::d3dx
