#include "archive/huge_page_memory.h"

#include <sys/mman.h>

namespace vm {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

HugePageMemory::~HugePageMemory() { release(); }

void HugePageMemory::release() noexcept {
  if (mapping_ != nullptr) munmap(mapping_, mappedBytes_);
  mapping_ = nullptr;
  mappedBytes_ = 0;
  data_ = nullptr;
}

bool HugePageMemory::allocate(std::size_t bytes) noexcept {
  release();
  // One huge page more than asked, so the start can be moved to a huge-page boundary.
  const std::size_t mapped = bytes + kHugePage;
  void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
  mapping_ = p;
  mappedBytes_ = mapped;
  const auto start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  data_ = reinterpret_cast<std::uint8_t*>(aligned);
  // Only a hint: without huge pages the ring faults in 4 KiB at a time, as any memory does.
  const std::size_t whole = bytes & ~(kHugePage - 1);
  if (whole > 0) (void)madvise(data_, whole, MADV_HUGEPAGE);
  return true;
}

}  // namespace vm
