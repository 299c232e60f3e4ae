#include "TeardownWatchdog.h"

#include <cstdlib>

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
