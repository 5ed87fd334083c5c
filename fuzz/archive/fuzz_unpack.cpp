// Feeds arbitrary bytes straight to the RAR 2.0 decoder, past the container and its CRC check.
// The first four bytes choose the unpacked size (up to 256 KiB, or no output buffer); the rest is
// decoded as one entry and then, split in two, as a non-solid entry followed by a solid one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "archive/rar20_unpacker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t n) {
  if (n < 4) return 0;
  const std::uint32_t word = bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                             static_cast<std::uint32_t>(bytes[3]) << 24;
  const std::uint32_t size = word & 0x3FFFF;
  const bool withOutput = (word & 0x80000000u) == 0;
  const std::span<const std::uint8_t> packed(bytes + 4, n - 4);

  static vm::Rar20Unpacker* unpacker = [] {
    auto* u = new vm::Rar20Unpacker;
    return u->init() ? u : nullptr;
  }();
  if (unpacker == nullptr) return 0;
  const std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[size + 1]);
  std::uint8_t* target = withOutput ? out.get() : nullptr;

  unpacker->unpack(packed, size, false, target);
  const std::size_t half = packed.size() / 2;
  unpacker->unpack(packed.first(half), size / 2, false, target);
  unpacker->unpack(packed.subspan(half), size - size / 2, true, target);
  return 0;
}
