#include "SpareDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

namespace desktop {

SpareDescriptor::~SpareDescriptor() {
    GiveBack();
}

void SpareDescriptor::Take() {
    if (fd_ < 0) {
        // A path-only descriptor of "/": it always exists and needs no rights.
        fd_ = ::open("/", O_PATH | O_CLOEXEC);
    }
}

void SpareDescriptor::GiveBack() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace desktop
