#include "SearchClock.h"

#include <chrono>

namespace {
// Read during static initialisation, so readings count from process start.
const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();
}  // namespace

std::int32_t ReadSearchClock() {
    const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
    return static_cast<std::int32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

std::int32_t ElapsedBetween(std::int32_t from, std::int32_t to) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(to) -
                                     static_cast<std::uint32_t>(from));
}
