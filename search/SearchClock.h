#pragma once

#include <cstdint>

// Whole milliseconds of a monotonic clock counted from process start. An
// interval is the difference of two readings, so it can be 0.
std::int32_t ReadSearchClock();
