#include "PrimeSieve.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "LiteralSieve.h"

namespace {

struct SieveCase {
    std::int32_t n;
    std::int32_t count;
    std::int32_t last;
    std::int32_t remaining;  // -1: one or two more than count, not checked exactly
    std::int32_t limit;      // -1: not checked
};

TEST(PrimeSieveTest, CountsAndBoundsForKnownRanges) {
    const SieveCase cases[] = {
        {2, 1, 2, 3, 6},
        {3, 2, 3, 3, 7},  // top 4 is composite
        {4, 2, 3, 4, 7},  // top 5 is prime
        {10, 4, 7, 6, 8},
        {11, 5, 11, 6, 8},
        {100, 25, 97, 27, 15},
        {1000, 168, 997, 169, 36},
        {10000, 1229, 9973, 1230, 105},
        {100000000, 5761455, 99999989, -1, -1},
        {110000000, 6303309, 109999993, 6303310, 10493},
    };
    for (const SieveCase& c : cases) {
        PrimeSieve sieve;
        sieve.Prepare(c.n);
        EXPECT_EQ(sieve.top(), c.n + 1);
        PrimeList list = sieve.MarkAndCollect();
        SCOPED_TRACE(c.n);
        ASSERT_EQ(list.count(), c.count);
        EXPECT_EQ(list.data()[0], 2);
        EXPECT_EQ(list.data()[list.count() - 1], c.last);
        EXPECT_EQ(list.capacity(), sieve.remaining());
        if (c.remaining >= 0) {
            EXPECT_EQ(sieve.remaining(), c.remaining);
        }
        if (c.limit >= 0) {
            EXPECT_EQ(sieve.limit(), c.limit);
        }
        const std::int32_t slack = sieve.remaining() - list.count();
        EXPECT_TRUE(slack == 1 || slack == 2) << "remaining - count = " << slack;
        sieve.ReleaseTable();
        EXPECT_EQ(sieve.table(), nullptr);
    }
}

// The blocked marking must leave exactly what the plain loops leave: the same
// table bytes (entries 0..top+4), the same counter and the same list.
void ExpectSameAsLiteral(std::int32_t n) {
    const LiteralSieve expected(n);
    PrimeSieve sieve;
    sieve.Prepare(n);
    PrimeList list = sieve.MarkAndCollect();
    ASSERT_EQ(sieve.limit(), expected.limit) << "n = " << n;
    ASSERT_EQ(sieve.remaining(), expected.remaining) << "n = " << n;
    ASSERT_EQ(list.count(), static_cast<std::int32_t>(expected.primes.size())) << "n = " << n;
    ASSERT_EQ(std::memcmp(list.data(), expected.primes.data(),
                          expected.primes.size() * sizeof(std::int32_t)),
              0)
        << "n = " << n;
    ASSERT_EQ(std::memcmp(sieve.table(), expected.table.data(), expected.table.size()), 0)
        << "n = " << n;
}

TEST(PrimeSieveTest, MatchesLiteralLoopsForEverySmallBound) {
    for (std::int32_t n = 2; n <= 5000; ++n) {
        ExpectSameAsLiteral(n);
    }
}

TEST(PrimeSieveTest, MatchesLiteralLoopsAroundBlockEdges) {
    constexpr std::int32_t kBlock = PrimeSieve::kBlockBytes;
    std::vector<std::int32_t> bounds;
    for (const std::int32_t edge : {kBlock, 2 * kBlock, 3 * kBlock + 17, 1000000}) {
        for (std::int32_t delta = -3; delta <= 3; ++delta) {
            bounds.push_back(edge + delta);
        }
    }
    // The first block starts at `limit` (517 here), so its end is near kBlock + 517.
    for (std::int32_t n = kBlock + 510; n <= kBlock + 525; ++n) {
        bounds.push_back(n);
    }
    bounds.push_back(1000003);  // prime
    for (const std::int32_t n : bounds) {
        ExpectSameAsLiteral(n);
    }
}

}  // namespace
