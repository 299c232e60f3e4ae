#pragma once

#include <bit>
#include <cstdint>

#include "SievePaths.h"

// The plain path: eight entries to a word. The vector paths use its loops for
// the edges of a range that whole vectors do not cover, and its way of storing
// a mask's entries.
extern const SieveKernels kScalarKernels;

// The mask steps' multiples in [lo, hi), one entry at a time.
void ClearMaskStepsScalar(std::uint8_t* t, std::int32_t lo, std::int32_t hi);
// How many entries in [lo, hi) are 1.
std::int64_t CountScalar(const std::uint8_t* t, std::int32_t lo, std::int32_t hi);

// Writes k + the index of every set bit of `mask`, ascending, from `out` on and
// returns one past the last; `end` is where `out`'s room ends. With room for
// 64 entries, the first six are written whether or not the mask has that many
// bits set: few masks have more, so the branch that depends on the mask is
// rarely taken. Always inlined, so that a vector path's copy uses its
// processor's bit instructions.
[[gnu::always_inline]] inline std::int32_t* StoreSetBits(std::int32_t* out, const std::int32_t* end,
                                                         std::int32_t k, std::uint64_t mask) {
    if (end - out < 64) {
        for (; mask != 0; mask &= mask - 1) {
            *out++ = k + std::countr_zero(mask);
        }
        return out;
    }
    const int count = std::popcount(mask);
    for (int i = 0; i < 6; ++i) {
        out[i] = k + std::countr_zero(mask);
        mask &= mask - 1;
    }
    for (int i = 6; i < count; ++i) {
        out[i] = k + std::countr_zero(mask);
        mask &= mask - 1;
    }
    return out + count;
}

// Writes every k in [from, to) whose entry is 1 from `out` on, one entry at a
// time, and returns one past the last: the end of a range that whole words
// or vectors do not cover.
inline std::int32_t* CollectTail(const std::uint8_t* t, std::int32_t from, std::int32_t to,
                                 std::int32_t* out) {
    for (std::int32_t k = from; k < to; ++k) {
        if (t[k] != 0) {
            *out++ = k;
        }
    }
    return out;
}
