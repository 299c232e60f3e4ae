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
    : m_thread([this, status, timeout] {
          std::unique_lock<std::mutex> lock(m_mutex);
          if (!m_done.wait_for(lock, timeout, [this] { return m_bDone; })) {
              std::_Exit(status);
          }
      }) {}

TeardownWatchdog::~TeardownWatchdog() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bDone = true;
    }
    m_done.notify_one();
    m_thread.join();
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
