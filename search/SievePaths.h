#pragma once

#include <cstdint>
#include <string_view>

// The sieve's paths: the loops that run over whole ranges of table entries
// (the mask steps, the count, the collection), in one form per path: plain
// C++ (SieveScalar.cpp), SSE2 and AVX2 (SieveX86.cpp). Which paths this
// processor runs is decided at run time, so one build serves every x86
// processor; elsewhere only the plain path exists. Entries are bytes that
// hold 0 or 1.
enum class SievePath : std::uint8_t { kScalar, kSse2, kAvx2 };

// The fastest path this processor runs; looked up once.
SievePath BestSievePath();
// Whether this processor can run `path` (kScalar always can).
bool CanRunSievePath(SievePath path);
std::string_view SievePathName(SievePath path);

// The candidates crossed out with masks: every prime up to 31, each with its
// own mask, so every multiple is still cleared. Only the vector paths use them.
inline constexpr std::int32_t kMaskStepCount = 11;
inline constexpr std::int32_t kMaskSteps[kMaskStepCount] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31};

// One path's loops, a table of functions that lives as long as the program.
struct SieveKernels {
    // Crosses out, for each mask step p, every multiple of p in [lo, hi).
    // Requires lo > 31, so that no step is among its own multiples; touches
    // no entry outside. Null on the plain path, whose mask steps go one
    // multiple at a time like every other candidate.
    void (*clearMaskSteps)(std::uint8_t* t, std::int32_t lo, std::int32_t hi);
    // How many entries in [lo, hi) are 1.
    std::int64_t (*count)(const std::uint8_t* t, std::int32_t lo, std::int32_t hi);
    // Writes every k in [from, to) whose entry is 1, ascending, to `out`, and
    // returns how many. `room` is how many entries `out` has: it must be at
    // least that count; entries past the count may have been written too (up
    // to `room`), with no meaning.
    std::int32_t (*collect)(const std::uint8_t* t, std::int32_t from, std::int32_t to,
                            std::int32_t* out, std::int32_t room);
};

// The loops of `path`, which this processor must be able to run.
const SieveKernels& SieveKernelsFor(SievePath path);
