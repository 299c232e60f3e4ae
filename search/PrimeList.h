#pragma once

#include <cstdint>
#include <memory>

// The primes a sieve collected, ascending, in a heap block of `capacity`
// entries of which the first `count` are written. Movable, not copyable; the
// block is freed by Release() or by the destructor, whichever comes first.
class PrimeList {
public:
    PrimeList() = default;
    // Allocates `capacity` entries, left unwritten; throws std::bad_alloc.
    explicit PrimeList(std::int32_t capacity);

    std::int32_t* data() { return entries_.get(); }
    const std::int32_t* data() const { return entries_.get(); }
    std::int32_t capacity() const { return capacity_; }
    std::int32_t count() const { return count_; }
    void set_count(std::int32_t count) { count_ = count; }

    void Release();

private:
    std::unique_ptr<std::int32_t[]> entries_;
    std::int32_t capacity_ = 0;
    std::int32_t count_ = 0;
};
