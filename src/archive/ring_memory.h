#pragma once
// Zeroed memory for the decoder's ring. Where the system offers transparent huge pages, the ring
// sits on them: its first touch then costs one fault instead of one per 4 KiB page, which on a
// virtual machine is a large share of decoding a few megabytes. Untouched memory costs nothing, so
// a request that only reads stored entries never pays for the ring.

#include <cstddef>
#include <cstdint>

namespace vm {

class RingMemory {
 public:
  RingMemory() = default;
  RingMemory(const RingMemory&) = delete;
  RingMemory& operator=(const RingMemory&) = delete;
  ~RingMemory();

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
