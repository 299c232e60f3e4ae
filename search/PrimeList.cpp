#include "PrimeList.h"

#include <cstddef>

PrimeList::PrimeList(std::int32_t capacity)
    : block_(static_cast<std::size_t>(capacity) * sizeof(std::int32_t)), capacity_(capacity) {}

void PrimeList::Release() {
    block_.Release();
    capacity_ = 0;
    count_ = 0;
}
