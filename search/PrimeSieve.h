#pragma once

#include <cstdint>

#include "PrimeList.h"
#include "SievePaths.h"
#include "SieveTable.h"

// Finds the primes 2..n with a table of one byte per number (1 = candidate,
// 0 = crossed out). Three steps, because the run puts dialog updates and clock
// readings between them: Prepare, MarkAndCollect, ReleaseTable. The sieve owns
// its table until ReleaseTable or its own end, so a failed MarkAndCollect
// leaks nothing. Every path gives the same table, counter and list; the path
// only changes how fast.
class PrimeSieve {
public:
    // Runs the loops of `path`, which this processor must be able to run.
    explicit PrimeSieve(SievePath path = BestSievePath())
        : path_(path), kernels_(&SieveKernelsFor(path)) {}

    // Allocates `n` + 11 bytes, their pages faulted in, and fills the first
    // `n` + 6 of them; the last five are never read or written. Requires
    // 2 <= n <= kMaxUpperBound. Throws std::bad_alloc.
    void Prepare(std::int32_t n);
    // Crosses out every multiple 2i, 3i, ... <= top of every candidate i below
    // `limit`, counting each entry it clears in `remaining`, then collects the
    // candidates 1..n into a list of `remaining` entries. Throws std::bad_alloc.
    PrimeList MarkAndCollect();
    void ReleaseTable();

    SievePath path() const { return path_; }
    std::int32_t top() const { return top_; }
    std::int32_t limit() const { return limit_; }
    std::int32_t remaining() const { return remaining_; }
    // The table while the sieve holds it (top + 5 written entries), else null.
    const std::uint8_t* table() const { return table_.data(); }

    // The two levels of blocks, at multiples of their width from the table's
    // start: candidates below kLargeStep cross out an inner block while it
    // sits in the L1 cache, the others an outer block while it sits in L2.
    static constexpr std::int32_t kInnerBlockBytes = 32 << 10;
    static constexpr std::int32_t kOuterBlockBytes = 256 << 10;
    static constexpr std::int32_t kLargeStep = 2048;

private:
    SievePath path_;
    const SieveKernels* kernels_;  // the path's, chosen once
    SieveTable table_;
    std::int32_t top_ = 0;
    std::int32_t limit_ = 0;
    std::int32_t remaining_ = 0;
};
