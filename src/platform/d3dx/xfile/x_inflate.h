#pragma once
// Compressed X payload: after the 16-byte header, a DWORD with the size of the whole uncompressed file
// (header included), then blocks of { WORD uncompressed size, WORD packed size counting the "CK" mark,
// "CK", raw deflate data }. Each block inflates with the previous block's output as preset dictionary.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/d3dx/xfile/xfile.h"

namespace vm::d3dx::detail {

// Appends the inflated bytes to `out`. Fails with BadCompression when a block is short, does not inflate to
// exactly its declared size, or the total differs from the declared size; TooLarge past kMaxXBytes.
XResult inflateXPayload(std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out);

}  // namespace vm::d3dx::detail
