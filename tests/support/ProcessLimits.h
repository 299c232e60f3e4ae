#pragma once

#include <sys/resource.h>

#include <dirent.h>
#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// A figure of /proc/self/status in KiB ("VmSize:", "VmHWM:", ...); 0 if it
// cannot be read.
inline std::size_t ProcessStatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            std::size_t kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// The process's current virtual size in bytes (VmSize), the figure that
// RLIMIT_AS is checked against; 0 if it cannot be read.
inline std::size_t AddressSpaceInUse() {
    return ProcessStatusKiB("VmSize:") * 1024;
}

// The descriptor numbers the process has open, ascending.
inline std::vector<int> OpenDescriptorNumbers() {
    std::vector<int> numbers;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return numbers;
    }
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != own) {
            numbers.push_back(std::atoi(entry->d_name));
        }
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// The descriptor limit below which exactly `spare` numbers are free: a new
// descriptor takes the lowest free number, and none may reach the limit.
inline rlim_t DescriptorLimitLeaving(int spare) {
    const std::vector<int> open = OpenDescriptorNumbers();
    int limit = 0;
    int free = 0;
    std::size_t next = 0;
    while (free < spare) {
        if (next < open.size() && open[next] == limit) {
            ++next;
        } else {
            ++free;
        }
        ++limit;
    }
    return static_cast<rlim_t>(limit);
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

// Address space that is in use yet free for the allocator to take without
// mapping more, which RLIMIT_AS therefore never sees taken: what malloc holds
// free, and the reserved (inaccessible, anonymous) rest of the heaps a thread
// that has ended left behind, which malloc grows into.
inline std::size_t AddressSpaceHeldFree() {
    ::malloc_trim(0);
    std::size_t held = ::mallinfo2().fordblks;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long start = 0;
        unsigned long end = 0;
        char perms[5] = {};
        unsigned long inode = 1;
        if (std::sscanf(line.c_str(), "%lx-%lx %4s %*s %*s %lu", &start, &end, perms, &inode) ==
                4 &&
            std::string_view(perms) == "---p" && inode == 0) {
            held += end - start;
        }
    }
    return held;
}

// For a child: limits the address space so that `headroom` bytes more can be
// allocated than now, and no more; "" on success.
inline std::string LimitAddressSpace(std::size_t headroom) {
    const std::size_t heldFree = std::min(AddressSpaceHeldFree(), headroom);
    const std::size_t inUse = AddressSpaceInUse();
    return inUse == 0 ? "cannot read VmSize" : SetSoftLimit(RLIMIT_AS, inUse + headroom - heldFree);
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
