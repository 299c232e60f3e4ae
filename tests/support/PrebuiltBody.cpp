#include "PrebuiltBody.h"

#include <unistd.h>

PrebuiltBody::PrebuiltBody(const PrimeList& list) {
    const std::int32_t* const primes = list.data();
    for (std::int32_t k = 0; k < list.count(); ++k) {
        if (k % 5 != 0) {
            bytes_ += '\t';
        }
        bytes_ += std::to_string(primes[k]);
        if (k % 5 == 4) {
            bytes_ += "\r\n";
            lineEnds_.push_back(bytes_.size());
        }
    }
    // An unfinished last line goes out last, as the other writers hand it
    // over when they close.
    if (lineEnds_.empty() || lineEnds_.back() != bytes_.size()) {
        lineEnds_.push_back(bytes_.size());
    }
}

bool PrebuiltBody::WriteTo(int fd) const {
    bool ok = true;
    std::size_t begin = 0;
    for (const std::size_t end : lineEnds_) {
        ok = ok &&
             ::write(fd, bytes_.data() + begin, end - begin) == static_cast<ssize_t>(end - begin);
        begin = end;
    }
    return ok;
}
