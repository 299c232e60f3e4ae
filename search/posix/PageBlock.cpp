#include "PageBlock.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

#if !defined(MADV_POPULATE_WRITE)
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif

namespace {

// Whether the page at `page` is in memory already.
bool Resident(std::uint8_t* page, std::size_t pageSize) {
    unsigned char state = 0;
    return ::mincore(page, pageSize, &state) == 0 && (state & 1) != 0;
}

}  // namespace

PageBlock::PageBlock(std::size_t bytes)
    : data_(static_cast<std::uint8_t*>(::operator new[](bytes))), bytes_(bytes) {
    // 1. The whole pages inside the block, if it spans any. A block the
    //    allocator hands out again has its pages already, down to the last
    //    one; a fresh one has none of them yet.
    const auto pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    if (bytes < 2 * pageSize) {
        return;
    }
    std::uint8_t* const block = data_;
    const std::size_t intoFirst = reinterpret_cast<std::uintptr_t>(block) % pageSize;
    std::uint8_t* const first = block + (intoFirst == 0 ? 0 : pageSize - intoFirst);
    std::uint8_t* const last =
        block + bytes - reinterpret_cast<std::uintptr_t>(block + bytes) % pageSize;
    if (Resident(last - pageSize, pageSize)) {
        return;
    }
    // 2. Fault them in with one request. A kernel without it answers EINVAL
    //    and leaves the faults to the first writes, as before; one that cannot
    //    find the memory says so here, where it can be reported, rather than by
    //    killing the process later.
    if (::madvise(first, static_cast<std::size_t>(last - first), MADV_POPULATE_WRITE) != 0 &&
        errno == ENOMEM) {
        Release();
        throw std::bad_alloc();
    }
}

void PageBlock::Release() noexcept {
    ::operator delete[](data_);
    data_ = nullptr;
    bytes_ = 0;
}
