#pragma once

#include <cstdint>

// The fixed lower bound of every search; it is never read from the dialog.
inline constexpr std::int32_t kLowerBound = 2;
// The largest accepted upper bound; kMaxUpperBound + 1 is the first rejected.
inline constexpr std::int32_t kMaxUpperBound = 110000000;
