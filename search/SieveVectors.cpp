#include "SieveVectors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "SieveSteps.h"

#if defined(__x86_64__) || defined(__i386__)
#define TAVRO_SIEVE_X86 1
#include <immintrin.h>
#endif

static_assert(std::endian::native == std::endian::little,
              "the table is read a word at a time, lowest address in the lowest byte");

namespace {

// 1. What every path shares.

// The mask steps' multiples in [lo, hi), one entry at a time: the edges of a
// range that whole vectors do not cover.
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

// Packs the lowest bit of each of the eight bytes of `word` into one byte.
inline std::uint64_t PackEntries(std::uint64_t word) {
    return (word * 0x0102040810204080ull) >> 56;
}

// Writes k + the index of every set bit of `mask`, ascending, from `out` on and
// returns one past the last. With room for 64 entries, the first six are
// written whether or not the mask has that many bits set: few masks have
// more, so the branch that depends on the mask is rarely taken.
inline std::int32_t* StoreSetBits(std::int32_t* out, const std::int32_t* end, std::int32_t k,
                                  std::uint64_t mask) {
    if (end - out < 64) {
        for (; mask != 0; mask &= mask - 1) {
            *out++ = k + std::countr_zero(mask);
        }
        return out;
    }
    const int count = std::popcount(mask);
    for (int i = 0; i < 6; ++i) {
        out[i] = k + std::countr_zero(mask);
        mask &= mask - 1;
    }
    for (int i = 6; i < count; ++i) {
        out[i] = k + std::countr_zero(mask);
        mask &= mask - 1;
    }
    return out + count;
}

// The entries from `k` to `to`, one at a time.
inline std::int32_t* CollectTail(const std::uint8_t* t, std::int32_t k, std::int32_t to,
                                 std::int32_t* out) {
    for (; k < to; ++k) {
        if (t[k] != 0) {
            *out++ = k;
        }
    }
    return out;
}

// 2. The plain path: eight entries to a word, packed by a multiplication.

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

#if defined(TAVRO_SIEVE_X86)

// 3. The masks of the vector paths.

// For each mask step p, bytes with 1 at every multiple of p: 32p of them, a
// whole number of periods for either vector width, then a chunk more, so that
// a chunk's masks never wrap around. For the vectors from table index `a` on,
// a multiple of the vector width W, the masks start at offset a mod Wp, which
// is a multiple of W too: every load is aligned.
constexpr std::int32_t kChunkBytes = 256;  // the widest chunk of vectors, AVX2's
constexpr std::int32_t kWidestVector = 32;
struct MaskPatterns {
    static constexpr std::int32_t kSize = [] {
        std::int32_t size = 0;
        for (const std::int32_t step : kMaskSteps) {
            size += kWidestVector * step + kChunkBytes;
        }
        return size;
    }();
    alignas(64) std::array<std::uint8_t, kSize> bytes{};
    std::array<std::int32_t, kMaskStepCount> start{};
};
constexpr MaskPatterns kPatterns = [] {
    MaskPatterns patterns;
    std::int32_t at = 0;
    for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
        const std::int32_t size = kWidestVector * kMaskSteps[s] + kChunkBytes;
        patterns.start[s] = at;
        for (std::int32_t k = 0; k < size; k += kMaskSteps[s]) {
            patterns.bytes[at + k] = 1;
        }
        at += size;
    }
    return patterns;
}();

// Each step's offset into its pattern, for the chunk at hand, with vectors of
// kWidth bytes.
template <std::int32_t kWidth>
struct MaskOffsets {
    std::int32_t at[kMaskStepCount];

    explicit MaskOffsets(std::int32_t a) {
        for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
            at[s] = a % (kWidth * kMaskSteps[s]);
        }
    }
    const std::uint8_t* Mask(std::int32_t s) const {
        return kPatterns.bytes.data() + kPatterns.start[s] + at[s];
    }
    // Moves step s's offset on by a chunk; `advance` is the chunk's bytes
    // modulo the step's period.
    void Advance(std::int32_t s, std::int32_t advance) {
        at[s] += advance;
        if (at[s] >= kWidth * kMaskSteps[s]) {
            at[s] -= kWidth * kMaskSteps[s];
        }
    }
};

template <std::int32_t kWidth, std::int32_t kBytes>
constexpr std::array<std::int32_t, kMaskStepCount> kAdvances = [] {
    std::array<std::int32_t, kMaskStepCount> advances{};
    for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
        advances[s] = kBytes % (kWidth * kMaskSteps[s]);
    }
    return advances;
}();

// 4. SSE2: sixteen entries to a vector, chunks of eight vectors.

// Crosses out the mask steps' multiples among kVectors vectors from `p`: each
// vector is loaded once, every step's mask clears its multiples, and it is
// stored once.
template <int kVectors>
[[gnu::target("sse2"), gnu::always_inline]] inline void ClearChunkSse2(std::uint8_t* p,
                                                                       MaskOffsets<16>& offsets) {
    constexpr auto& kAdvance = kAdvances<16, 16 * kVectors>;
#pragma GCC unroll 16
    for (std::ptrdiff_t v = 0; v < kVectors; ++v) {
        __m128i* const at = reinterpret_cast<__m128i*>(p + 16 * v);
        __m128i e = _mm_loadu_si128(at);
#pragma GCC unroll 16
        for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
            const auto* const mask = reinterpret_cast<const __m128i*>(offsets.Mask(s) + 16 * v);
            e = _mm_andnot_si128(_mm_load_si128(mask), e);
        }
        _mm_storeu_si128(at, e);
    }
#pragma GCC unroll 16
    for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
        offsets.Advance(s, kAdvance[s]);
    }
}

[[gnu::target("sse2")]] void ClearMaskStepsSse2(std::uint8_t* t, std::int32_t lo, std::int32_t hi) {
    const std::int32_t first = std::min(hi, (lo + 15) / 16 * 16);
    const std::int32_t last = first + (hi - first) / 16 * 16;
    MaskOffsets<16> offsets(first);
    std::int32_t a = first;
    for (; last - a >= 128; a += 128) {
        ClearChunkSse2<8>(t + a, offsets);
    }
    for (; a < last; a += 16) {
        ClearChunkSse2<1>(t + a, offsets);
    }
    ClearMaskStepsScalar(t, lo, first);
    ClearMaskStepsScalar(t, last, hi);
}

// The sum of the entries in [lo, hi): psadbw adds sixteen bytes into two
// lanes; eight vectors of 0 or 1 are first added bytewise.
[[gnu::target("sse2")]] std::int64_t CountSse2(const std::uint8_t* t, std::int32_t lo,
                                               std::int32_t hi) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    std::int32_t k = lo;
    for (; hi - k >= 128; k += 128) {
        __m128i bytes = zero;
#pragma GCC unroll 8
        for (std::ptrdiff_t v = 0; v < 8; ++v) {
            bytes = _mm_add_epi8(bytes,
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + k + 16 * v)));
        }
        sums = _mm_add_epi64(sums, _mm_sad_epu8(bytes, zero));
    }
    std::uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), sums);
    return static_cast<std::int64_t>(lanes[0] + lanes[1]) + CountScalar(t, k, hi);
}

// Bit i set where entry i of the sixteen from `p` is 1: shifting each byte's
// lowest bit into its highest lets movemask gather them.
[[gnu::target("sse2"), gnu::always_inline]] inline std::uint32_t EntryBitsSse2(
    const std::uint8_t* p) {
    const __m128i entries = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_slli_epi64(entries, 7)));
}

[[gnu::target("sse2")]] std::int32_t CollectSse2(const std::uint8_t* t, std::int32_t from,
                                                 std::int32_t to, std::int32_t* out,
                                                 std::int32_t room) {
    std::int32_t* o = out;
    std::int32_t k = from;
    for (; to - k >= 64; k += 64) {
        const std::uint64_t low = EntryBitsSse2(t + k) | EntryBitsSse2(t + k + 16) << 16;
        const std::uint64_t high = EntryBitsSse2(t + k + 32) | EntryBitsSse2(t + k + 48) << 16;
        o = StoreSetBits(o, out + room, k, low | high << 32);
    }
    return static_cast<std::int32_t>(CollectTail(t, k, to, o) - out);
}

// 5. AVX2: thirty-two entries to a vector, chunks of eight vectors.

template <int kVectors>
[[gnu::target("avx2"), gnu::always_inline]] inline void ClearChunkAvx2(std::uint8_t* p,
                                                                       MaskOffsets<32>& offsets) {
    constexpr auto& kAdvance = kAdvances<32, 32 * kVectors>;
#pragma GCC unroll 16
    for (std::ptrdiff_t v = 0; v < kVectors; ++v) {
        __m256i* const at = reinterpret_cast<__m256i*>(p + 32 * v);
        __m256i e = _mm256_loadu_si256(at);
#pragma GCC unroll 16
        for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
            const auto* const mask = reinterpret_cast<const __m256i*>(offsets.Mask(s) + 32 * v);
            e = _mm256_andnot_si256(_mm256_load_si256(mask), e);
        }
        _mm256_storeu_si256(at, e);
    }
#pragma GCC unroll 16
    for (std::int32_t s = 0; s < kMaskStepCount; ++s) {
        offsets.Advance(s, kAdvance[s]);
    }
}

[[gnu::target("avx2")]] void ClearMaskStepsAvx2(std::uint8_t* t, std::int32_t lo, std::int32_t hi) {
    const std::int32_t first = std::min(hi, (lo + 31) / 32 * 32);
    const std::int32_t last = first + (hi - first) / 32 * 32;
    MaskOffsets<32> offsets(first);
    std::int32_t a = first;
    for (; last - a >= 256; a += 256) {
        ClearChunkAvx2<8>(t + a, offsets);
    }
    for (; a < last; a += 32) {
        ClearChunkAvx2<1>(t + a, offsets);
    }
    ClearMaskStepsScalar(t, lo, first);
    ClearMaskStepsScalar(t, last, hi);
}

[[gnu::target("avx2")]] std::int64_t CountAvx2(const std::uint8_t* t, std::int32_t lo,
                                               std::int32_t hi) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i sums = zero;
    std::int32_t k = lo;
    for (; hi - k >= 256; k += 256) {
        __m256i bytes = zero;
#pragma GCC unroll 8
        for (std::ptrdiff_t v = 0; v < 8; ++v) {
            bytes = _mm256_add_epi8(
                bytes, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + k + 32 * v)));
        }
        sums = _mm256_add_epi64(sums, _mm256_sad_epu8(bytes, zero));
    }
    std::uint64_t lanes[4];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), sums);
    return static_cast<std::int64_t>(lanes[0] + lanes[1] + lanes[2] + lanes[3]) +
           CountScalar(t, k, hi);
}

[[gnu::target("avx2"), gnu::always_inline]] inline std::uint32_t EntryBitsAvx2(
    const std::uint8_t* p) {
    const __m256i entries = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi64(entries, 7)));
}

[[gnu::target("avx2,bmi,popcnt")]] std::int32_t CollectAvx2(const std::uint8_t* t,
                                                            std::int32_t from, std::int32_t to,
                                                            std::int32_t* out, std::int32_t room) {
    std::int32_t* o = out;
    std::int32_t k = from;
    for (; to - k >= 64; k += 64) {
        const std::uint64_t high = EntryBitsAvx2(t + k + 32);
        o = StoreSetBits(o, out + room, k, EntryBitsAvx2(t + k) | high << 32);
    }
    return static_cast<std::int32_t>(CollectTail(t, k, to, o) - out);
}

SievePath DetectBestPath() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
        __builtin_cpu_supports("popcnt")) {
        return SievePath::kAvx2;
    }
    return __builtin_cpu_supports("sse2") ? SievePath::kSse2 : SievePath::kScalar;
}

#else

SievePath DetectBestPath() {
    return SievePath::kScalar;
}

#endif

}  // namespace

SievePath BestSievePath() {
    static const SievePath best = DetectBestPath();
    return best;
}

bool CanRunSievePath(SievePath path) {
    // Each path's processors run every path before it.
    return path <= BestSievePath();
}

std::string_view SievePathName(SievePath path) {
    switch (path) {
        case SievePath::kSse2:
            return "SSE2";
        case SievePath::kAvx2:
            return "AVX2";
        case SievePath::kScalar:
            break;
    }
    return "scalar";
}

void ClearMaskSteps(SievePath path, std::uint8_t* t, std::int32_t lo, std::int32_t hi) {
#if defined(TAVRO_SIEVE_X86)
    if (path == SievePath::kAvx2) {
        ClearMaskStepsAvx2(t, lo, hi);
        return;
    }
    if (path == SievePath::kSse2) {
        ClearMaskStepsSse2(t, lo, hi);
        return;
    }
#endif
    (void)path;
    ClearMaskStepsScalar(t, lo, hi);
}

std::int64_t CountCandidates(SievePath path, const std::uint8_t* t, std::int32_t lo,
                             std::int32_t hi) {
#if defined(TAVRO_SIEVE_X86)
    if (path == SievePath::kAvx2) {
        return CountAvx2(t, lo, hi);
    }
    if (path == SievePath::kSse2) {
        return CountSse2(t, lo, hi);
    }
#endif
    (void)path;
    return CountScalar(t, lo, hi);
}

std::int32_t CollectCandidates(SievePath path, const std::uint8_t* t, std::int32_t from,
                               std::int32_t to, std::int32_t* out, std::int32_t room) {
#if defined(TAVRO_SIEVE_X86)
    if (path == SievePath::kAvx2) {
        return CollectAvx2(t, from, to, out, room);
    }
    if (path == SievePath::kSse2) {
        return CollectSse2(t, from, to, out, room);
    }
#endif
    (void)path;
    return CollectScalar(t, from, to, out, room);
}
