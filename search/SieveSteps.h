#pragma once

#include <cstdint>

// The sieve's scalar step loops, shared by every path. Each crosses out t[m],
// t[m + step], ... and returns the first multiple not crossed out. A step is a
// store alone: the sieve counts what a range of steps cleared once the range
// is done, as the candidates it lost.

// Four multiples at a time while m is below `end`, so the last four may pass
// `end` by up to three steps, which spares the single steps at the end of
// every block: `end` + 3 * step must not pass the last entry to cross out.
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

// Every multiple below `end`, and none at or past it.
inline std::int32_t ClearBelow(std::uint8_t* t, std::int32_t m, std::int32_t end,
                               std::int32_t step) {
    m = ClearPast(t, m, end - 3 * step, step);
    for (; m < end; m += step) {
        t[m] = 0;
    }
    return m;
}

// The least multiple of `step` that is not below `from`.
constexpr std::int32_t FirstMultipleFrom(std::int32_t from, std::int32_t step) {
    return (from + step - 1) / step * step;
}
