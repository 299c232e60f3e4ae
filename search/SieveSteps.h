#pragma once

#include <cstdint>

// The sieve's scalar step loops, shared by every path. Each crosses out t[m],
// t[m + step], ... and returns the first multiple not crossed out.

// Every multiple below `end`, adding to `cleared` how many of them were still
// candidates: for the table's start, whose entries decide the candidates.
// Entries are only ever 0 or 1, so adding each entry before clearing it counts
// exactly those it clears, without a branch. The count is kept in a local:
// `t` may alias anything.
inline std::int32_t CrossOutBelow(std::uint8_t* t, std::int32_t m, std::int32_t end,
                                  std::int32_t step, std::int64_t& cleared) {
    std::uint32_t sum = 0;
    const std::int32_t step4 = 4 * step;
    for (; m + 3 * step < end; m += step4) {
        sum += t[m] + t[m + step] + t[m + 2 * step] + t[m + 3 * step];
        t[m] = 0;
        t[m + step] = 0;
        t[m + 2 * step] = 0;
        t[m + 3 * step] = 0;
    }
    for (; m < end; m += step) {
        sum += t[m];
        t[m] = 0;
    }
    cleared += sum;
    return m;
}

// Every multiple below `end`, without counting: for the blocks, whose
// clearings are counted once a block is done, as the candidates it lost. A
// step is then a store alone.
inline std::int32_t ClearBelow(std::uint8_t* t, std::int32_t m, std::int32_t end,
                               std::int32_t step) {
    const std::int32_t step4 = 4 * step;
    for (; m + 3 * step < end; m += step4) {
        t[m] = 0;
        t[m + step] = 0;
        t[m + 2 * step] = 0;
        t[m + 3 * step] = 0;
    }
    for (; m < end; m += step) {
        t[m] = 0;
    }
    return m;
}

// As ClearBelow, four multiples at a time while m is below `end`, so the last
// four may pass `end` by up to three steps, which spares the single steps at
// the end of every block: `end` + 3 * step must not pass the last entry to
// cross out.
inline std::int32_t ClearPast(std::uint8_t* t, std::int32_t m, std::int32_t end,
                              std::int32_t step) {
    const std::int32_t step4 = 4 * step;
    for (; m < end; m += step4) {
        t[m] = 0;
        t[m + step] = 0;
        t[m + 2 * step] = 0;
        t[m + 3 * step] = 0;
    }
    return m;
}

// The least multiple of `step` that is not below `from`.
constexpr std::int32_t FirstMultipleFrom(std::int32_t from, std::int32_t step) {
    return (from + step - 1) / step * step;
}
