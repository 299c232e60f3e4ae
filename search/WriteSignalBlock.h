#pragma once

#include <signal.h>

// While it lives, SIGPIPE and SIGXFSZ are blocked in the calling thread, so a
// write to a pipe whose reader has gone, or past the file-size limit, fails
// with EPIPE or EFBIG like any other write error instead of ending the
// process. Its end discards the signals those writes left pending (not one
// that was pending before) and restores the thread's mask. The dispositions
// are never touched, so nothing of this reaches a program started later.
// Costs a few system calls per lifetime, none per write; hold no user-interface
// call inside it.
class WriteSignalBlock {
public:
    WriteSignalBlock();
    ~WriteSignalBlock();
    WriteSignalBlock(const WriteSignalBlock&) = delete;
    WriteSignalBlock& operator=(const WriteSignalBlock&) = delete;

private:
    sigset_t savedMask_{};
    sigset_t pendingBefore_{};
    bool blocked_ = false;
};
