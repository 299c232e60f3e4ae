#pragma once

#include <cstdint>

// Whole milliseconds of a monotonic clock counted from process start. An
// interval is the difference of two readings, so it can be 0.
std::int32_t ReadSearchClock();

// The milliseconds from reading `from` to reading `to`. Readings wrap after
// 2^31 ms (24.8 days of a process's life); the difference is taken modulo
// 2^32, so an interval across the wrap still comes out right.
std::int32_t ElapsedBetween(std::int32_t from, std::int32_t to);
