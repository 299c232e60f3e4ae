#include "WriteGuard.h"

#include <pthread.h>
#include <signal.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>

namespace {

// Raised by our own writes: blocked in the writing thread, which is where the
// kernel sends them.
constexpr std::array<int, 2> kWriteSignals = {SIGPIPE, SIGXFSZ};
// Asking the process to end: logout, Ctrl-C, a closed terminal. These go to
// whichever thread does not block them, so they are deferred by a handler,
// not by the writing thread's mask.
constexpr std::array<int, 3> kEndSignals = {SIGTERM, SIGINT, SIGHUP};

// The first end signal that arrived while a guard lived, else 0.
volatile std::sig_atomic_t gEndSignal = 0;

extern "C" void RecordEnd(int signal) {
    if (gEndSignal == 0) {
        gEndSignal = signal;
    }
}

template <std::size_t kCount>
sigset_t SetOf(const std::array<int, kCount>& signals) {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : signals) {
        sigaddset(&set, signal);
    }
    return set;
}

}  // namespace

struct WriteGuard::State {
    sigset_t savedMask{};
    sigset_t pendingBefore{};
    bool blocked = false;
    std::array<struct sigaction, kEndSignals.size()> savedActions{};
    std::array<bool, kEndSignals.size()> deferred{};
};

WriteGuard::WriteGuard() : state_(std::make_unique<State>()) {
    State& s = *state_;
    // 1. The write signals. One already pending was raised by someone else and
    //    stays theirs.
    const sigset_t writeSignals = SetOf(kWriteSignals);
    if (::sigpending(&s.pendingBefore) != 0) {
        sigemptyset(&s.pendingBefore);
    }
    s.blocked = ::pthread_sigmask(SIG_BLOCK, &writeSignals, &s.savedMask) == 0;

    // 2. The end signals are recorded instead of acted on, unless the process
    //    ignores them anyway. The dispositions go back as they were when the
    //    guard ends, so nothing of this reaches a program started later.
    gEndSignal = 0;
    struct sigaction record {};
    record.sa_handler = RecordEnd;
    record.sa_mask = SetOf(kEndSignals);
    record.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
        struct sigaction& saved = s.savedActions[i];
        s.deferred[i] = ::sigaction(kEndSignals[i], nullptr, &saved) == 0 &&
                        saved.sa_handler != SIG_IGN &&
                        ::sigaction(kEndSignals[i], &record, nullptr) == 0;
    }
}

WriteGuard::~WriteGuard() {
    State& s = *state_;
    // 1. Take the write signals our writes raised while they are still
    //    blocked; unblocking first would deliver them. Then the mask as it was.
    if (s.blocked) {
        sigset_t ours = SetOf(kWriteSignals);
        for (const int signal : kWriteSignals) {
            if (sigismember(&s.pendingBefore, signal) == 1) {
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
        ::pthread_sigmask(SIG_SETMASK, &s.savedMask, nullptr);
    }
    // 2. The end signals as they were, and one that came meanwhile now takes
    //    effect: by default it ends the process with its status.
    for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
        if (s.deferred[i]) {
            ::sigaction(kEndSignals[i], &s.savedActions[i], nullptr);
        }
    }
    if (const int signal = gEndSignal; signal != 0) {
        gEndSignal = 0;
        ::raise(signal);
    }
}

bool WriteGuard::EndRequested() const {
    return gEndSignal != 0;
}
