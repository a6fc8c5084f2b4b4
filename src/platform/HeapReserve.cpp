#include "platform/HeapReserve.h"

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

bool reserveHeapForLargeLoad(std::size_t bytes) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes < 4 * kHugePage)
        return false;
    // Requests up to the reserve come from the heap, and freed room at its top stays there.
    if (mallopt(M_MMAP_THRESHOLD, static_cast<int>(std::min<std::size_t>(bytes, 1u << 30))) != 1 ||
        mallopt(M_TRIM_THRESHOLD, static_cast<int>(std::min<std::size_t>(2 * bytes, 1u << 30))) != 1)
        return false;
    // One request just larger than the free top makes the heap grow past it by the reserve.
    const struct mallinfo2 info = mallinfo2();
    if (mallopt(M_TOP_PAD, static_cast<int>(std::min<std::size_t>(bytes, 1u << 30))) != 1)
        return false;
    void* probe = std::malloc(info.keepcost + 4096);
    if (!probe)
        return false;
    auto* from = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(probe) + kHugePage - 1) & ~(kHugePage - 1));
    auto* to = static_cast<char*>(sbrk(0));
    bool marked = false;
    if (to > from && static_cast<std::size_t>(to - from) >= kHugePage)
        marked = madvise(from, static_cast<std::size_t>(to - from) & ~(kHugePage - 1), MADV_HUGEPAGE) == 0;
    std::free(probe);
    // Later growth goes back to the usual steps.
    mallopt(M_TOP_PAD, 128 * 1024);
    return marked;
}

#else

bool reserveHeapForLargeLoad(std::size_t) {
    return false;
}

#endif
