#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace desktop {

// While it lives, a thread ends the process with `status` once `timeout` has
// passed (std::_Exit: no further teardown); its destructor calls it off. For
// the application object's destruction, which Qt 6.4's Wayland client can
// deadlock: it joins an event thread that waits for a read another of its
// threads prepared and, quitting, never cancelled. The process would live
// on without a window.
class TeardownWatchdog {
public:
    TeardownWatchdog(int status, std::chrono::milliseconds timeout);
    ~TeardownWatchdog();

    TeardownWatchdog(const TeardownWatchdog&) = delete;
    TeardownWatchdog& operator=(const TeardownWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable doneSignal_;
    bool done_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

// Runs `teardown`, the application object's destruction, under a watchdog
// where it can hang (on Wayland) and plainly elsewhere: a watched teardown that
// takes over 3 s ends the process with `status`. Needs the application object
// until `teardown` runs.
void WatchTeardown(int status, const std::function<void()>& teardown);

}  // namespace desktop
