#include "PrimeSieve.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(std::endian::native == std::endian::little,
              "the table is read a word at a time, lowest address in the lowest byte");

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

// The least multiple of `step` that is not below `from`.
constexpr std::int32_t FirstMultipleFrom(std::int32_t from, std::int32_t step) {
    return (from + step - 1) / step * step;
}

// Crosses out every multiple of kStep in [lo, hi); lo must lie above kStep, so
// that kStep itself is never among them. The candidates 2, 3, 5 and 7 have a
// multiple among every eight entries, so they go sixteen entries at a time: a
// mask with 0x01 in each byte whose index is a multiple selects those entries,
// which are summed (they are 0 or 1) and cleared. The masks of a step repeat
// after `step` vectors, so a group of `step` vectors needs no bookkeeping of
// where the multiples fall.
#if defined(__SSE2__)
template <int kStep>
void CrossOutVectors(std::uint8_t* t, std::int32_t lo, std::int32_t hi, std::int64_t& cleared) {
    constexpr std::int32_t kGroup = 16 * kStep;
    // 1. Groups start at multiples of kGroup, so each starts on a multiple.
    const std::int32_t first = std::min(hi, FirstMultipleFrom(lo, kGroup));
    const std::int32_t last = first + (hi - first) / kGroup * kGroup;
    CrossOutBelow(t, FirstMultipleFrom(lo, kStep), first, kStep, cleared);
    // 2. The masks of the group's vectors, the same for every block.
    alignas(16) static constexpr auto kMaskBytes = [] {
        std::array<std::uint8_t, std::size_t{kGroup}> bytes{};
        for (std::size_t i = 0; i < bytes.size(); i += kStep) {
            bytes[i] = 1;
        }
        return bytes;
    }();
    __m128i masks[kStep];
    for (int v = 0; v < kStep; ++v) {
        masks[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(kMaskBytes.data() + 16 * v));
    }
    // 3. The groups; psadbw sums the selected bytes into two 64-bit lanes.
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    for (std::int32_t g = first; g < last; g += kGroup) {
        for (std::ptrdiff_t v = 0; v < kStep; ++v) {
            __m128i* const p = reinterpret_cast<__m128i*>(t + g + 16 * v);
            const __m128i entries = _mm_loadu_si128(p);
            const __m128i taken = _mm_and_si128(entries, masks[v]);
            sums = _mm_add_epi64(sums, _mm_sad_epu8(taken, zero));
            _mm_storeu_si128(p, _mm_xor_si128(entries, taken));
        }
    }
    cleared += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    // 4. What is left after the last whole group.
    CrossOutBelow(t, FirstMultipleFrom(last, kStep), hi, kStep, cleared);
}
#else
template <int kStep>
void CrossOutVectors(std::uint8_t* t, std::int32_t lo, std::int32_t hi, std::int64_t& cleared) {
    CrossOutBelow(t, FirstMultipleFrom(lo, kStep), hi, kStep, cleared);
}
#endif

// Packs the lowest bit of each of the eight bytes of `word` into one byte.
inline std::uint64_t PackEntries(std::uint64_t word) {
    return (word * 0x0102040810204080ull) >> 56;
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
    //    candidate's multiples in each block before the next block. The
    //    candidates 2, 3, 5 and 7, once all of them have multiples left, go
    //    sixteen entries at a time.
    const bool vectorSteps = candidates.size() >= 4 && candidates[3].step == 7;
    const auto byteSteps = candidates.begin() + (vectorSteps ? 4 : 0);
    for (std::int32_t lo = prefixEnd; lo <= top_; lo += kBlockBytes) {
        const std::int32_t hi = std::min(lo + kBlockBytes, top_ + 1);
        if (vectorSteps) {
            CrossOutVectors<2>(t, lo, hi, cleared);
            CrossOutVectors<3>(t, lo, hi, cleared);
            CrossOutVectors<5>(t, lo, hi, cleared);
            CrossOutVectors<7>(t, lo, hi, cleared);
        }
        for (auto c = byteSteps; c != candidates.end(); ++c) {
            c->next = CrossOutBelow(t, c->next, hi, c->step, cleared);
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
    // Sixty-four entries at a time: almost all are 0 by now, so their lowest
    // bits are packed into one mask whose set bits are the primes.
    for (; k + 64 <= top_; k += 64) {
        std::uint64_t mask = 0;
        for (std::ptrdiff_t w = 0; w < 8; ++w) {
            std::uint64_t word;
            std::memcpy(&word, t + k + 8 * w, sizeof word);
            mask |= PackEntries(word) << (8 * w);
        }
        while (mask != 0) {
            out[count++] = k + std::countr_zero(mask);
            mask &= mask - 1;
        }
    }
    for (; k < top_; ++k) {
        if (t[k] != 0) {
            out[count++] = k;
        }
    }
    return count;
}
