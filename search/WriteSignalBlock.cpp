#include "WriteSignalBlock.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>
#include <initializer_list>

namespace {

sigset_t WriteSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    sigaddset(&set, SIGXFSZ);
    return set;
}

}  // namespace

WriteSignalBlock::WriteSignalBlock() {
    const sigset_t signals = WriteSignals();
    sigemptyset(&pendingBefore_);
    // A signal already pending was raised by someone else and stays theirs.
    if (::sigpending(&pendingBefore_) != 0) {
        sigemptyset(&pendingBefore_);
    }
    blocked_ = ::pthread_sigmask(SIG_BLOCK, &signals, &savedMask_) == 0;
}

WriteSignalBlock::~WriteSignalBlock() {
    if (!blocked_) {
        return;
    }
    // 1. Take the signals our writes raised while they are still blocked;
    //    unblocking first would deliver them.
    sigset_t ours = WriteSignals();
    for (const int signal : {SIGPIPE, SIGXFSZ}) {
        if (sigismember(&pendingBefore_, signal) == 1) {
            sigdelset(&ours, signal);
        }
    }
    sigset_t pending;
    if (::sigpending(&pending) == 0 &&
        (sigismember(&pending, SIGPIPE) == 1 || sigismember(&pending, SIGXFSZ) == 1)) {
        const timespec now{};
        while (::sigtimedwait(&ours, nullptr, &now) > 0 || errno == EINTR) {
        }
    }
    // 2. The mask as it was.
    ::pthread_sigmask(SIG_SETMASK, &savedMask_, nullptr);
}
