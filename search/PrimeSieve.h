#pragma once

#include <cstdint>
#include <memory>

#include "PrimeList.h"

// Finds the primes 2..n with a table of one byte per number (1 = candidate,
// 0 = crossed out). Three steps, because the run puts dialog updates and clock
// readings between them: Prepare, MarkAndCollect, ReleaseTable. The sieve owns
// its table until ReleaseTable or its own end, so a failed MarkAndCollect
// leaks nothing.
class PrimeSieve {
public:
    // Allocates `n` + 11 bytes and fills the first `n` + 6 of them; the last
    // five are never read or written. Requires 2 <= n <= kMaxUpperBound.
    // Throws std::bad_alloc.
    void Prepare(std::int32_t n);
    // Crosses out every multiple 2i, 3i, ... <= top of every candidate i below
    // `limit`, counting each entry it clears in `remaining`, then collects the
    // candidates 1..n into a list of `remaining` entries. Throws std::bad_alloc.
    PrimeList MarkAndCollect();
    void ReleaseTable();

    std::int32_t top() const { return top_; }
    std::int32_t limit() const { return limit_; }
    std::int32_t remaining() const { return remaining_; }
    // The table while the sieve holds it (top + 5 written entries), else null.
    const std::uint8_t* table() const { return table_.get(); }

    // Width of the blocks in which multiples above `limit` are crossed out:
    // small enough to stay in the L2 cache (and near L1) while every candidate
    // passes over it.
    static constexpr std::int32_t kBlockBytes = 1 << 16;

private:
    std::int32_t Collect(std::int32_t* out) const;

    std::unique_ptr<std::uint8_t[]> table_;
    std::int32_t top_ = 0;
    std::int32_t limit_ = 0;
    std::int32_t remaining_ = 0;
};
