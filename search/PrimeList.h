#pragma once

#include <cstdint>

#include "PageBlock.h"

// The primes a sieve collected, ascending, in a block of `capacity` entries of
// which the first `count` are written. The collection writes all but the last
// one or two, so the block's pages are faulted in with one request when it is
// made (PageBlock), which in a fresh process costs less than a fault per page
// during the collection. Movable, not copyable; the block is freed by
// Release() or by the destructor, whichever comes first.
class PrimeList {
public:
    PrimeList() = default;
    // Allocates `capacity` entries, left unwritten; throws std::bad_alloc.
    explicit PrimeList(std::int32_t capacity);

    std::int32_t* data() { return reinterpret_cast<std::int32_t*>(block_.data()); }
    const std::int32_t* data() const {
        return reinterpret_cast<const std::int32_t*>(block_.data());
    }
    std::int32_t capacity() const { return capacity_; }
    std::int32_t count() const { return count_; }
    void SetCount(std::int32_t count) { count_ = count; }

    void Release();

private:
    PageBlock block_;
    std::int32_t capacity_ = 0;
    std::int32_t count_ = 0;
};
