#pragma once

#include <sys/resource.h>

#include <cstddef>
#include <fstream>
#include <string>

// The process's current virtual size in bytes (VmSize), the figure that
// RLIMIT_AS is checked against; 0 if it cannot be read.
inline std::size_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            std::size_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// Sets the soft limit of `resource`, keeping the hard one; "" on success.
inline std::string SetSoftLimit(int resource, rlim_t value) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0) {
        return "getrlimit failed";
    }
    if (limit.rlim_max != RLIM_INFINITY && value > limit.rlim_max) {
        return "the hard limit is below " + std::to_string(value);
    }
    limit.rlim_cur = value;
    return ::setrlimit(resource, &limit) == 0 ? "" : "setrlimit failed";
}

// True when built with AddressSanitizer, whose shadow memory reserves far more
// address space than any RLIMIT_AS these tests could set.
constexpr bool BuiltWithAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}
