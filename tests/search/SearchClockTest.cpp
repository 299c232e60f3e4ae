#include "SearchClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(SearchClockTest, IntervalsSurviveTheWrapOfTheReadings) {
    struct Case {
        std::int32_t from, to, expected;
    };
    const Case cases[] = {
        {0, 0, 0},           {100, 1350, 1250},
        {kMax - 4, kMax, 4}, {kMax - 4, kMin + 5, 10},  // the readings wrapped between the two
        {-3, 2, 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ElapsedBetween(c.from, c.to), c.expected) << c.from << " -> " << c.to;
    }
}

}  // namespace
