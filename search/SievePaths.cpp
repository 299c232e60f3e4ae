#include "SievePaths.h"

#include <cstddef>

#include "SieveScalar.h"
#include "SieveX86.h"

namespace {

#if defined(TAVRO_SIEVE_X86)

SievePath DetectBestPath() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
        __builtin_cpu_supports("popcnt")) {
        return SievePath::kAvx2;
    }
    return __builtin_cpu_supports("sse2") ? SievePath::kSse2 : SievePath::kScalar;
}

// Each path's loops, in the order of SievePath.
constexpr const SieveKernels* kKernelsByPath[] = {&kScalarKernels, &sieve_sse2::kKernels,
                                                  &sieve_avx2::kKernels};

#else

SievePath DetectBestPath() {
    return SievePath::kScalar;
}

constexpr const SieveKernels* kKernelsByPath[] = {&kScalarKernels};

#endif

}  // namespace

SievePath BestSievePath() {
    static const SievePath kBest = DetectBestPath();
    return kBest;
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

const SieveKernels& SieveKernelsFor(SievePath path) {
    return *kKernelsByPath[static_cast<std::size_t>(path)];
}
