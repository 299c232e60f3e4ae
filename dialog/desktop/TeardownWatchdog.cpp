#include "TeardownWatchdog.h"

#include <cstdlib>

#include "Platform.h"

namespace desktop {

namespace {

// The application's teardown takes milliseconds; one that takes this long
// is stuck.
constexpr std::chrono::seconds kTeardownTimeout{3};

}  // namespace

TeardownWatchdog::TeardownWatchdog(int status, std::chrono::milliseconds timeout)
    : thread_([this, status, timeout] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!doneSignal_.wait_for(lock, timeout, [this] { return done_; })) {
              std::_Exit(status);
          }
      }) {}

TeardownWatchdog::~TeardownWatchdog() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    doneSignal_.notify_one();
    thread_.join();
}

void WatchTeardown(int status, const std::function<void()>& teardown) {
    if (!OnWaylandPlatform()) {
        teardown();
        return;
    }
    const TeardownWatchdog watchdog(status, kTeardownTimeout);
    teardown();
}

}  // namespace desktop
