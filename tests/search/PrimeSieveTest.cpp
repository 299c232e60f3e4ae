#include "PrimeSieve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "LiteralSieve.h"

// Names the path in test names and failures instead of its byte.
void PrintTo(SievePath path, std::ostream* out) {
    *out << SievePathName(path);
}

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

// Every path, forced, must leave exactly what the plain loops leave: the same
// table bytes (entries 0..top+4), the same counter and the same list. A path
// this processor cannot run is skipped, visibly.
class PrimeSievePathTest : public testing::TestWithParam<SievePath> {
protected:
    void SetUp() override {
        if (!CanRunSievePath(GetParam())) {
            GTEST_SKIP() << "this processor cannot run the " << SievePathName(GetParam())
                         << " path";
        }
    }

    void ExpectSameAsLiteral(const std::vector<std::int32_t>& bounds) const {
        for (const std::int32_t n : bounds) {
            const LiteralSieve expected(n);
            PrimeSieve sieve(GetParam());
            sieve.Prepare(n);
            PrimeList list = sieve.MarkAndCollect();
            ASSERT_EQ(sieve.limit(), expected.limit) << "n = " << n;
            ASSERT_EQ(sieve.remaining(), expected.remaining) << "n = " << n;
            ASSERT_EQ(list.count(), static_cast<std::int32_t>(expected.primes.size()))
                << "n = " << n;
            ASSERT_EQ(std::memcmp(list.data(), expected.primes.data(),
                                  expected.primes.size() * sizeof(std::int32_t)),
                      0)
                << "n = " << n;
            ASSERT_EQ(std::memcmp(sieve.table(), expected.table.data(), expected.table.size()), 0)
                << "n = " << n;
        }
    }
};

// Every residue of the table's end against the vectors and their chunks, and
// the bounds where the candidates up to 31 start to go by masks (limit 32).
TEST_P(PrimeSievePathTest, MatchesLiteralLoopsForEverySmallBound) {
    std::vector<std::int32_t> bounds;
    for (std::int32_t n = 2; n <= 5000; ++n) {
        bounds.push_back(n);
    }
    ExpectSameAsLiteral(bounds);
}

// The table ends (at top + 1 = n + 2) on and around the edges of both levels
// of blocks, and where the last blocks stop letting candidates run past them.
// Candidates of the outer level (kLargeStep and above) exist from n = 4.2e6.
TEST_P(PrimeSievePathTest, MatchesLiteralLoopsAroundBlockEdges) {
    constexpr std::int32_t kInner = PrimeSieve::kInnerBlockBytes;
    constexpr std::int32_t kOuter = PrimeSieve::kOuterBlockBytes;
    std::vector<std::int32_t> bounds;
    for (const std::int32_t edge : {kInner, 2 * kInner, kOuter - kInner, kOuter, kOuter + kInner,
                                    3 * kOuter + 5 * kInner, 17 * kOuter, 21 * kOuter}) {
        for (std::int32_t delta = -3; delta <= 3; ++delta) {
            bounds.push_back(edge - 2 + delta);
        }
        // The block that ends at `edge` is the last one whose inner or outer
        // candidates may run past it.
        bounds.push_back(edge - 2 + 3 * PrimeSieve::kLargeStep);
        bounds.push_back(edge - 1 + 3 * PrimeSieve::kLargeStep);
        for (std::int32_t top = edge; top < edge + 4 * kInner; ++top) {
            const auto limit = static_cast<std::int32_t>(std::sqrt(static_cast<double>(top))) + 5;
            if (top == edge + 3 * limit) {
                bounds.insert(bounds.end(), {top - 2, top - 1});
            }
        }
    }
    // Ends at which a candidate running past the block before the last would
    // reach beyond top, from where inner candidates up to 2047 exist.
    for (const std::int32_t edge : {17 * kOuter, 21 * kOuter}) {
        for (const std::int32_t past : {1500, 3000, 4500, 6000, 8000}) {
            bounds.push_back(edge - 2 + past);
        }
    }
    bounds.push_back(1000003);  // prime
    ExpectSameAsLiteral(bounds);
}

INSTANTIATE_TEST_SUITE_P(Paths, PrimeSievePathTest,
                         testing::Values(SievePath::kScalar, SievePath::kSse2, SievePath::kAvx2),
                         [](const testing::TestParamInfo<SievePath>& info) {
                             return std::string(SievePathName(info.param));
                         });

}  // namespace
