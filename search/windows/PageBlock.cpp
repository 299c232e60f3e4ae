#include "PageBlock.h"

#include <windows.h>

#include <new>

namespace {

// PrefetchVirtualMemory exists from Windows 8 on; looked up once, so that the
// program still starts on a system without it, which then takes the faults
// while the table is filled.
using PrefetchFunction = BOOL(WINAPI*)(HANDLE, ULONG_PTR, PWIN32_MEMORY_RANGE_ENTRY, ULONG);

PrefetchFunction Prefetch() {
    static const PrefetchFunction kPrefetch = [] {
        const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        return kernel == nullptr ? nullptr
                                 : reinterpret_cast<PrefetchFunction>(reinterpret_cast<void*>(
                                       ::GetProcAddress(kernel, "PrefetchVirtualMemory")));
    }();
    return kPrefetch;
}

}  // namespace

PageBlock::PageBlock(std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
    void* const block = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    data_ = static_cast<std::uint8_t*>(block);
    bytes_ = bytes;
    // One request for all the pages; a refusal only leaves the faults to the
    // fill, so its result does not matter.
    if (const PrefetchFunction prefetch = Prefetch()) {
        WIN32_MEMORY_RANGE_ENTRY range{block, bytes};
        static_cast<void>(prefetch(::GetCurrentProcess(), 1, &range, 0));
    }
}

void PageBlock::Release() noexcept {
    if (data_ != nullptr) {
        ::VirtualFree(data_, 0, MEM_RELEASE);
    }
    data_ = nullptr;
    bytes_ = 0;
}
