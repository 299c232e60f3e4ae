#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// The sieve's loops exactly as first written: the outer loop over every index
// below `limit`, the inner one over every product i*j up to top, testing each
// entry before clearing it. Slow on purpose; the benchmark times the real
// sieve against it and the tests compare the real sieve's results with it.
// Prepare and MarkAndCollect are split like the real sieve's, so the same
// interval can be timed.
struct LiteralSieve {
    std::int32_t top = 0;
    std::int32_t limit = 0;
    std::int32_t remaining = 0;
    std::vector<std::uint8_t> table;  // top + 5 written entries
    std::vector<std::int32_t> primes;

    LiteralSieve() = default;
    explicit LiteralSieve(std::int32_t n) {
        Prepare(n);
        MarkAndCollect();
    }

    void Prepare(std::int32_t n) {
        top = n + 1;
        table.assign(static_cast<std::size_t>(top) + 5, 1);
        table[0] = 0;
        table[1] = 0;
        table[2] = 1;
        limit = static_cast<std::int32_t>(std::sqrt(static_cast<double>(top))) + 5;
        remaining = top;
        primes.clear();
    }

    void MarkAndCollect() {
        std::uint8_t* const t = table.data();
        for (std::int32_t i = 2; i < limit; ++i) {
            if (t[i] == 1) {
                for (std::int32_t j = 2; j < top; ++j) {
                    const std::int32_t m = i * j;
                    if (m > top) {
                        break;
                    }
                    if (t[m] != 0) {
                        t[m] = 0;
                        --remaining;
                    }
                }
            }
        }
        // The list is sized by the counter and filled without checks, as the
        // real one; resize() would write every entry first.
        primes.reserve(static_cast<std::size_t>(remaining));
        for (std::int32_t k = 1; k < top; ++k) {
            if (t[k] == 1) {
                primes.push_back(k);
            }
        }
    }
};
