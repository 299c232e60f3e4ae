#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PrimeList.h"

// The floor the real body writer is measured against, writing the same bytes
// as WritePrimeList: the body's bytes built in memory beforehand, then handed to the
// system with one write(2) per line, which is the least the per-line hand-over
// allows. Build once, write as often as needed.
class PrebuiltBody {
public:
    explicit PrebuiltBody(const PrimeList& list);
    // Writes the body to the open descriptor `fd`; returns false on error.
    bool WriteTo(int fd) const;

private:
    std::string bytes_;
    std::vector<std::size_t> lineEnds_;  // offset just past each line's CR LF
};
