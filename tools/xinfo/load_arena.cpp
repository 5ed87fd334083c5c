// xinfo's allocations come from one arena of transparent huge pages.
//
// xinfo loads one file and exits. A load touches a few times the file's size in fresh memory (the file,
// the inflated stream, the objects, the meshes), and on small virtual machines each 4 KiB page fault
// costs tens of microseconds: for a large file the faults cost more than the reading. So the tool's
// operator new bumps a pointer through address space reserved up front and marked for huge pages, and
// operator delete gives arena memory back only when the process ends. What the arena cannot hold, and
// everything when the reservation fails, goes to malloc as usual.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kArenaBytes = std::size_t{1} << 30;  // address space; only touched pages cost
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
constexpr std::size_t kAlign = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

struct Arena {
    std::uintptr_t next = 0;
    std::uintptr_t end = 0;
    std::uintptr_t begin = 0;

    Arena() {
        void* p = mmap(nullptr, kArenaBytes + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) return;
        // Huge pages need 2 MiB alignment; the slack below the first boundary stays unused.
        begin = (reinterpret_cast<std::uintptr_t>(p) + kHugePage - 1) & ~(kHugePage - 1);
        madvise(reinterpret_cast<void*>(begin), kArenaBytes, MADV_HUGEPAGE);  // a hint: failure is fine
        next = begin;
        end = begin + kArenaBytes;
    }

    // xinfo is single-threaded, so the bump needs no atomics.
    void* take(std::size_t size) noexcept {
        const std::size_t rounded = (size + kAlign - 1) & ~(kAlign - 1);
        if (rounded < size || rounded > end - next) return nullptr;
        void* p = reinterpret_cast<void*>(next);
        next += rounded;
        return p;
    }
    bool owns(void* p) const noexcept {
        const auto a = reinterpret_cast<std::uintptr_t>(p);
        return a >= begin && a < end;
    }
};

Arena& arena() noexcept {
    static Arena instance;
    return instance;
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = arena().take(size == 0 ? 1 : size)) return p;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    if (p != nullptr && !arena().owns(p)) std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
