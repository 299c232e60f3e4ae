#pragma once

#include <memory>

// Held from the list file's creation until it is closed or discarded, so that
// nothing from outside leaves a list cut short at its name. While it lives, a
// write to a pipe without reader or past the file-size limit fails like any
// other write instead of ending the process, and a request to end the process
// (on POSIX SIGTERM, SIGINT, SIGHUP) waits until the guard ends; it then takes
// effect as it would have. The platform provides it (search/posix/,
// search/windows/). Hold no modal user-interface call inside it. One at a
// time per process.
class WriteGuard {
public:
    WriteGuard();
    ~WriteGuard();
    WriteGuard(const WriteGuard&) = delete;
    WriteGuard& operator=(const WriteGuard&) = delete;

    // Whether the process has been asked to end while the guard lives: the run
    // then finishes its files but starts nothing new (no viewer).
    bool EndRequested() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
