#include "SieveScalar.h"

#include <cstring>

#include "SieveSteps.h"

static_assert(std::endian::native == std::endian::little,
              "the table is read a word at a time, lowest address in the lowest byte");

namespace {

// Packs the lowest bit of each of the eight bytes of `word` into one byte.
inline std::uint64_t PackEntries(std::uint64_t word) {
    return (word * 0x0102040810204080ull) >> 56;
}

std::int32_t CollectScalar(const std::uint8_t* t, std::int32_t from, std::int32_t to,
                           std::int32_t* out, std::int32_t room) {
    std::int32_t* o = out;
    std::int32_t k = from;
    for (; to - k >= 64; k += 64) {
        std::uint64_t mask = 0;
        for (std::ptrdiff_t w = 0; w < 8; ++w) {
            std::uint64_t word;
            std::memcpy(&word, t + k + 8 * w, sizeof word);
            mask |= PackEntries(word) << (8 * w);
        }
        o = StoreSetBits(o, out + room, k, mask);
    }
    return static_cast<std::int32_t>(CollectTail(t, k, to, o) - out);
}

}  // namespace

const SieveKernels kScalarKernels = {nullptr, CountScalar, CollectScalar};

void ClearMaskStepsScalar(std::uint8_t* t, std::int32_t lo, std::int32_t hi) {
    for (const std::int32_t step : kMaskSteps) {
        ClearBelow(t, FirstMultipleFrom(lo, step), hi, step);
    }
}

// The sum of the entries in [lo, hi), eight at a time: with entries of 0 or
// 1, the multiplication adds a word's eight bytes into its highest byte.
std::int64_t CountScalar(const std::uint8_t* t, std::int32_t lo, std::int32_t hi) {
    std::int64_t count = 0;
    std::int32_t k = lo;
    for (; hi - k >= 8; k += 8) {
        std::uint64_t word;
        std::memcpy(&word, t + k, sizeof word);
        count += static_cast<std::int64_t>((word * 0x0101010101010101ull) >> 56);
    }
    for (; k < hi; ++k) {
        count += t[k];
    }
    return count;
}
