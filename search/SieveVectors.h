#pragma once

#include <cstdint>
#include <string_view>

// The two loops of the sieve that run on whole vectors of table entries, in
// one form per path: the plain C++ one, SSE2 and AVX2. Which path a processor
// can run is decided at run time, so one build serves every x86 processor;
// elsewhere only the plain path exists. Entries are bytes that hold 0 or 1.
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

// Crosses out, for each mask step p, every multiple of p in [lo, hi).
// Requires lo > 31, so that no step is among its own multiples; touches no
// entry outside. Meant for the vector paths; the plain path goes one multiple
// at a time.
void ClearMaskSteps(SievePath path, std::uint8_t* t, std::int32_t lo, std::int32_t hi);

// How many entries in [lo, hi) are 1.
std::int64_t CountCandidates(SievePath path, const std::uint8_t* t, std::int32_t lo,
                             std::int32_t hi);

// Writes every k in [from, to) whose entry is 1, ascending, to `out`, and
// returns how many. `room` is how many entries `out` has: it must be at least
// that count; entries past the count may have been written too (up to `room`),
// with no meaning.
std::int32_t CollectCandidates(SievePath path, const std::uint8_t* t, std::int32_t from,
                               std::int32_t to, std::int32_t* out, std::int32_t room);
