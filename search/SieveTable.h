#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The sieve's table: a heap block whose pages are faulted in when it is made,
// all in one request to the kernel, which costs far less than the one fault
// per page that filling it would take. Movable, not copyable; freed by
// Release() or by the destructor, whichever comes first.
class SieveTable {
public:
    SieveTable() = default;
    // `bytes` bytes, left unwritten. Throws std::bad_alloc when the address
    // space or the memory is exhausted.
    explicit SieveTable(std::size_t bytes);

    std::uint8_t* data() const { return bytes_.get(); }
    void Release() { bytes_.reset(); }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
};
