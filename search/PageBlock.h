#pragma once

#include <cstddef>
#include <cstdint>

// Memory for bulk data (the sieve's table, the prime list): a block whose pages are faulted in
// when it is made, in one request to the system where it offers one, which
// costs far less than the one fault per page that filling it would take. The
// platform provides the constructor and Release() (search/posix/,
// search/windows/). Movable, not copyable; freed by Release() or by the
// destructor, whichever comes first.
class PageBlock {
public:
    PageBlock() = default;
    // `bytes` bytes, left unwritten. Throws std::bad_alloc when the address
    // space or the memory is exhausted.
    explicit PageBlock(std::size_t bytes);
    ~PageBlock() { Release(); }
    PageBlock(PageBlock&& other) noexcept : data_(other.data_), bytes_(other.bytes_) {
        other.data_ = nullptr;
        other.bytes_ = 0;
    }
    PageBlock& operator=(PageBlock&& other) noexcept {
        if (this != &other) {
            Release();
            data_ = other.data_;
            bytes_ = other.bytes_;
            other.data_ = nullptr;
            other.bytes_ = 0;
        }
        return *this;
    }
    PageBlock(const PageBlock&) = delete;
    PageBlock& operator=(const PageBlock&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return bytes_; }
    void Release() noexcept;

private:
    std::uint8_t* data_ = nullptr;
    std::size_t bytes_ = 0;
};
