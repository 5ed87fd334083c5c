#pragma once
// Zeroed memory for large working buffers such as the decoder's ring. Where the system offers
// transparent huge pages, the buffer sits on them: its first touch then costs one fault per 2 MiB
// instead of one per 4 KiB page, which on a virtual machine is a large share of decoding a few
// megabytes. Untouched memory costs nothing, so a request that only reads stored entries never
// pays for the ring.

#include <cstddef>
#include <cstdint>

namespace vm {

class HugePageMemory {
 public:
  HugePageMemory() = default;
  HugePageMemory(const HugePageMemory&) = delete;
  HugePageMemory& operator=(const HugePageMemory&) = delete;
  ~HugePageMemory();

  // bytes of zeroed memory; false (and no memory) when the system refuses.
  bool allocate(std::size_t bytes) noexcept;
  std::uint8_t* data() const noexcept { return data_; }

 private:
  void release() noexcept;

  void* mapping_ = nullptr;
  std::size_t mappedBytes_ = 0;
  std::uint8_t* data_ = nullptr;
};

}  // namespace vm
