#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bDone = false;
    std::thread m_thread;  // last: starts once the members above exist
};
