// The vector paths: one body (SieveKernel.inc) compiled twice, for SSE2 and
// for AVX2, each copy in a namespace of its own and for its own target.
//
// Why this way: a template over the vector width cannot be compiled for a
// target of its own (g++ refuses to inline a target's intrinsics into a
// function built without that target), and compiling a file with -mavx2
// would give AVX2 copies of the inline functions of every header it includes
// as well, which the linker may then hand to callers on any processor. So
// every header comes first, for the baseline, and only the functions the body
// defines are compiled for the target: under `GCC push_options` and
// `GCC target` with g++, under `clang attribute push` with clang.
#include "SieveX86.h"

#if defined(TAVRO_SIEVE_X86)

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "SieveScalar.h"

namespace {

// For each mask step p, bytes with 1 at every multiple of p: 32p of them, a
// whole number of periods for either vector width, then a chunk more, so that
// a chunk's masks never run past the pattern's end.
constexpr std::int32_t kWidestVector = 32;
constexpr std::int32_t kChunkBytes = 8 * kWidestVector;
struct MaskPatterns {
    static constexpr std::int32_t kSize = [] {
        std::int32_t size = 0;
        for (const std::int32_t step : kMaskSteps) {
            size += kWidestVector * step + kChunkBytes;
        }
        return size;
    }();
    alignas(64) std::uint8_t bytes[kSize]{};
    std::int32_t start[kMaskStepCount]{};
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

}  // namespace

// Between TAVRO_TARGET_PUSH(isa) and TAVRO_TARGET_POP every function defined
// is compiled for `isa`, a string such as "avx2".
#define TAVRO_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define TAVRO_TARGET_PUSH(isa) \
    TAVRO_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define TAVRO_TARGET_POP TAVRO_PRAGMA(clang attribute pop)
#else
#define TAVRO_TARGET_PUSH(isa) TAVRO_PRAGMA(GCC push_options) TAVRO_PRAGMA(GCC target(isa))
#define TAVRO_TARGET_POP TAVRO_PRAGMA(GCC pop_options)
#endif

// SSE2: sixteen entries to a vector. Every x86-64 processor has it; a 32-bit
// build needs the target.
namespace sieve_sse2 {
#define TAVRO_SIEVE_TARGET "sse2"
#define TAVRO_SIMD(op) _mm_##op
#define TAVRO_SIMD_SI(op) _mm_##op##_si128
using Vector = __m128i;
#include "SieveKernel.inc"
}  // namespace sieve_sse2

// AVX2: thirty-two entries to a vector; the collection uses tzcnt and popcnt.
namespace sieve_avx2 {
#define TAVRO_SIEVE_TARGET "avx2,bmi,popcnt"
#define TAVRO_SIMD(op) _mm256_##op
#define TAVRO_SIMD_SI(op) _mm256_##op##_si256
using Vector = __m256i;
#include "SieveKernel.inc"
}  // namespace sieve_avx2

#endif
