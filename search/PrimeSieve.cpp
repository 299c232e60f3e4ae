#include "PrimeSieve.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "the collection reads the table a word at a time, lowest address first");

namespace {

// A candidate below `limit` and the next of its multiples still to cross out.
struct Candidate {
    std::int32_t step;
    std::int32_t next;
};

// Crosses out t[m], t[m + step], ... below `end` and returns the first multiple
// not reached. Entries are only ever 0 or 1, so adding each entry before
// clearing it counts exactly those that were still candidates, without a
// branch. The count is kept in a local: `t` may alias anything.
inline std::int32_t CrossOutBelow(std::uint8_t* t, std::int32_t m, std::int32_t end,
                                  std::int32_t step, std::int64_t& cleared) {
    std::uint32_t sum = 0;
    const std::int32_t step4 = 4 * step;
    for (; m + 3 * step < end; m += step4) {
        sum += t[m] + t[m + step] + t[m + 2 * step] + t[m + 3 * step];
        t[m] = 0;
        t[m + step] = 0;
        t[m + 2 * step] = 0;
        t[m + 3 * step] = 0;
    }
    for (; m < end; m += step) {
        sum += t[m];
        t[m] = 0;
    }
    cleared += sum;
    return m;
}

}  // namespace

void PrimeSieve::Prepare(std::int32_t n) {
    // 1. The table: top + 10 bytes, of which top + 5 are filled.
    top_ = n + 1;
    table_ = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(top_) + 10);
    std::memset(table_.get(), 1, static_cast<std::size_t>(top_) + 5);
    // 2. 0 and 1 are no primes; 2 is.
    table_[0] = 0;
    table_[1] = 0;
    table_[2] = 1;
    // 3. The outer loop's end and the counter the list is sized from.
    limit_ = static_cast<std::int32_t>(std::sqrt(static_cast<double>(top_))) + 5;
    remaining_ = top_;
}

PrimeList PrimeSieve::MarkAndCollect() {
    std::uint8_t* const t = table_.get();
    std::int64_t cleared = 0;

    // 1. The entries below `limit` decide which numbers are candidates: run the
    //    plain loop over them first. A candidate's multiples above that prefix
    //    cannot change any candidate, so they may wait for step 2.
    const std::int32_t prefixEnd = std::min(limit_, top_ + 1);
    std::vector<Candidate> candidates;
    for (std::int32_t i = 2; i < limit_; ++i) {
        if (t[i] == 0) {
            continue;
        }
        const std::int32_t next = CrossOutBelow(t, 2 * i, prefixEnd, i, cleared);
        if (next <= top_) {
            candidates.push_back({i, next});
        }
    }

    // 2. The rest of the table, one cache-sized block at a time, every
    //    candidate's multiples in each block before the next block.
    for (std::int32_t lo = prefixEnd; lo <= top_; lo += kBlockBytes) {
        const std::int32_t hi = std::min(lo + kBlockBytes, top_ + 1);
        for (Candidate& c : candidates) {
            c.next = CrossOutBelow(t, c.next, hi, c.step, cleared);
        }
    }
    remaining_ -= static_cast<std::int32_t>(cleared);

    // 3. The list, sized by what is left, and the primes 1..n into it.
    PrimeList list(remaining_);
    list.set_count(Collect(list.data()));
    return list;
}

void PrimeSieve::ReleaseTable() {
    table_.reset();
}

std::int32_t PrimeSieve::Collect(std::int32_t* out) const {
    const std::uint8_t* const t = table_.get();
    std::int32_t count = 0;
    std::int32_t k = 1;
    // Whole words first: almost all entries are 0 by now, and eight of them
    // are passed over in one test. Each entry still set holds exactly one bit.
    for (; k + 8 <= top_; k += 8) {
        std::uint64_t word;
        std::memcpy(&word, t + k, sizeof word);
        while (word != 0) {
            out[count++] = k + (std::countr_zero(word) >> 3);
            word &= word - 1;
        }
    }
    for (; k < top_; ++k) {
        if (t[k] != 0) {
            out[count++] = k;
        }
    }
    return count;
}
