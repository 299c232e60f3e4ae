#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "PrimeList.h"

// Two ways of writing the list body that the real writer is measured against.
// Both produce the same bytes as WritePrimeList.

// The floor: the body's bytes built in memory beforehand, then handed to the
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

// The plain way: into an open ofstream, a TAB and the number inserted one at a
// time, and std::endl (after a CR) to end each line, which flushes the stream.
// Returns false once the stream has failed.
bool WriteBodyWithOfstream(std::ofstream& out, const PrimeList& list);
