// The sieve.
//
// What is fixed, whatever the path: the table of top + 10 bytes; the set of
// crossing-off steps, that is every multiple 2i, 3i, ... up to top of every
// candidate i below `limit` is cleared, already crossed out or not, and every
// entry a step clears is counted in `remaining`; the list of `remaining`
// entries; the table, counter and list the loops written out literally leave
// (tests/support/LiteralSieve.h, the tests' oracle). Only the order of the steps and
// the way the clearings are counted differ, which changes no result: an entry
// ends 0 when any candidate reaches it, and is counted once, when it is
// cleared.
//
// The order:
// 1. The entries below `limit` decide which numbers are candidates, so they
//    are crossed out first, in the plain order, over the table's start.
// 2. The rest of the table in blocks at two levels. In each 32 KiB inner
//    block (L1 cache), first the mask steps (the candidates up to 31), then
//    the candidates below kLargeStep one multiple at a time; over each
//    256 KiB outer block (L2 cache), the larger candidates. Each candidate
//    carries its next multiple from block to block.
// A step is a store alone, with no test. Every entry from 2 up is 1 before
// the first step that reaches it (Prepare filled them), and no step reaches
// the table's start once it is done, nor a block once it is done; so the
// entries each of them cleared are its width less the candidates it kept,
// counted once it is done, a block while it is still in the cache.
// 3. The list, of `remaining` entries, and the candidates 1..n into it,
//    sixty-four entries per mask.
//
// The paths (SievePaths.h). BestSievePath() picks one at run time: AVX2
// where the processor has it, else SSE2 on x86, else scalar, so a build for
// baseline x86 runs everywhere. A PrimeSieve can be given any path this
// processor runs; the tests and the benchmark force each one. It takes the
// path's table of loops once, when it is made.
// - scalar: the mask steps go one multiple at a time like every other
//   candidate; the count and the collection take eight entries to a word.
// - SSE2 and AVX2: each mask step has a byte pattern with 1 at its
//   multiples. Each vector of a chunk of eight (16 or 32 entries each) is
//   loaded once, every step's mask clears its multiples, and it is stored
//   once. The count adds the entries bytewise; the collection takes a
//   movemask per vector.
// All paths store six list entries per mask of sixty-four unconditionally
// and advance by the mask's population count.
#include "PrimeSieve.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "SieveSteps.h"

namespace {

// A candidate below `limit` and the next of its multiples still to cross out.
struct Candidate {
    std::int32_t step;
    std::int32_t next;
};

// The first multiple of `width` above `at`: where the block holding `at` ends.
constexpr std::int32_t BlockEnd(std::int32_t at, std::int32_t width) {
    return (at / width + 1) * width;
}

// Crosses out the multiples of every candidate in `candidates` below `end`,
// or past it by up to three steps where `mayPass`.
void ClearBlock(std::uint8_t* t, std::vector<Candidate>& candidates, std::int32_t end,
                bool mayPass) {
    if (mayPass) {
        for (Candidate& c : candidates) {
            c.next = ClearPast(t, c.next, end, c.step);
        }
    } else {
        for (Candidate& c : candidates) {
            c.next = ClearBelow(t, c.next, end, c.step);
        }
    }
}

}  // namespace

void PrimeSieve::Prepare(std::int32_t n) {
    // 1. The table: top + 10 bytes, of which top + 5 are filled. An earlier
    //    table goes first, so that two never exist at once.
    top_ = n + 1;
    table_.Release();
    table_ = SieveTable(static_cast<std::size_t>(top_) + 10);
    std::uint8_t* const t = table_.data();
    std::memset(t, 1, static_cast<std::size_t>(top_) + 5);
    // 2. 0 and 1 are no primes; 2 is.
    t[0] = 0;
    t[1] = 0;
    t[2] = 1;
    // 3. The outer loop's end and the counter the list is sized from.
    limit_ = static_cast<std::int32_t>(std::sqrt(static_cast<double>(top_))) + 5;
    remaining_ = top_;
}

PrimeList PrimeSieve::MarkAndCollect() {
    std::uint8_t* const t = table_.data();
    std::int64_t cleared = 0;

    // 1. The entries below `limit`, in the plain order. Once `limit` is above
    //    31, the candidates up to 31 are exactly the mask steps.
    const std::int32_t prefixEnd = std::min(limit_, top_ + 1);
    const bool masked =
        kernels_->clearMaskSteps != nullptr && limit_ > kMaskSteps[kMaskStepCount - 1];
    std::vector<Candidate> inner;
    std::vector<Candidate> outer;
    for (std::int32_t i = 2; i < limit_; ++i) {
        if (t[i] == 0) {
            continue;
        }
        const std::int32_t next = ClearBelow(t, 2 * i, prefixEnd, i);
        if (next > top_ || (masked && i <= kMaskSteps[kMaskStepCount - 1])) {
            continue;
        }
        (i < kLargeStep ? inner : outer).push_back({i, next});
    }
    cleared += (prefixEnd - 2) - kernels_->count(t, 2, prefixEnd);

    // 2. The rest, block by block. Away from the table's end a candidate may
    //    run up to three steps into the next block, which it would reach next
    //    anyway, and which is counted only once it is done.
    for (std::int32_t lo = prefixEnd; lo <= top_;) {
        const std::int32_t hi = std::min(BlockEnd(lo, kOuterBlockBytes), top_ + 1);
        for (std::int32_t innerLo = lo; innerLo < hi;) {
            const std::int32_t innerHi = std::min(BlockEnd(innerLo, kInnerBlockBytes), hi);
            if (masked) {
                kernels_->clearMaskSteps(t, innerLo, innerHi);
            }
            ClearBlock(t, inner, innerHi, innerHi + 3 * kLargeStep <= top_);
            innerLo = innerHi;
        }
        ClearBlock(t, outer, hi, hi + 3 * limit_ <= top_);
        cleared += (hi - lo) - kernels_->count(t, lo, hi);
        lo = hi;
    }
    remaining_ -= static_cast<std::int32_t>(cleared);

    // 3. The list, sized by what is left, and the primes 1..n into it.
    PrimeList list(remaining_);
    list.SetCount(kernels_->collect(t, 1, top_, list.data(), remaining_));
    return list;
}

void PrimeSieve::ReleaseTable() {
    table_.Release();
}
