#include "PrimeList.h"

PrimeList::PrimeList(std::int32_t capacity)
    // For overwrite: the collection writes only `count` entries, and the pages
    // behind the rest are never touched.
    : entries_(std::make_unique_for_overwrite<std::int32_t[]>(static_cast<std::size_t>(capacity))),
      capacity_(capacity) {}

void PrimeList::Release() {
    entries_.reset();
    capacity_ = 0;
    count_ = 0;
}
