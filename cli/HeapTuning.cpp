#include "cli/HeapTuning.h"

#include <cstdint>
#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#include <sys/mman.h>
#endif

#ifdef __GLIBC__
namespace {

bool KeepsFreedMemory = false;

} // namespace
#endif

void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
    // Blocks up to 64 MiB come from the heap rather than from mappings of their own, and the
    // heap is not trimmed, so a freed image buffer or record list is reused without new faults.
    KeepsFreedMemory = ::mallopt(M_MMAP_THRESHOLD, 64 << 20) == 1 &&
                       ::mallopt(M_TRIM_THRESHOLD, 256 << 20) == 1 &&
                       ::mallopt(M_TOP_PAD, 16 << 20) == 1;
#endif
}

void PrefaultHeap(std::size_t Bytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    constexpr std::size_t Largest = std::size_t{48} << 20;
    constexpr std::uintptr_t PageMask = 4095;
    if (!KeepsFreedMemory || Bytes < 2 * (PageMask + 1) || Bytes > Largest) {
        return;
    }
    void* Block = std::malloc(Bytes);
    if (Block == nullptr) {
        return;
    }
    const auto Start = (reinterpret_cast<std::uintptr_t>(Block) + PageMask) & ~PageMask;
    const auto End = (reinterpret_cast<std::uintptr_t>(Block) + Bytes) & ~PageMask;
    // Both only hints. Huge pages where the kernel has them: on a virtual machine the first
    // write to each small page costs microseconds even after it was faulted in (about 10 ms for
    // the 8 MB of a full chip's load and save), to a whole huge page the same once. A kernel
    // without MADV_POPULATE_WRITE refuses it and the pages fault in later.
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(Start), End - Start, MADV_HUGEPAGE);
#endif
    ::madvise(reinterpret_cast<void*>(Start), End - Start, MADV_POPULATE_WRITE);
    std::free(Block);
#else
    (void)Bytes;
#endif
}
