#pragma once

#include "SievePaths.h"

// The vector paths, on x86 processors only: SSE2, sixteen entries to a vector,
// and AVX2, thirty-two. Each table may be used only where CanRunSievePath says
// the processor runs that path.
#if defined(__x86_64__) || defined(__i386__)
#define TAVRO_SIEVE_X86 1

namespace sieve_sse2 {
extern const SieveKernels kKernels;
}
namespace sieve_avx2 {
extern const SieveKernels kKernels;
}

#endif
