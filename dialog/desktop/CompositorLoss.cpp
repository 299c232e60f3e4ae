#include "CompositorLoss.h"

#include <QLatin1String>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "Platform.h"

namespace desktop {

namespace {

// A run takes about 3 s at the largest bound, and up to 8 s was seen on a
// loaded machine; one that takes longer than this is stuck (a message box
// nobody can answer any more).
constexpr std::chrono::seconds kRunGrace{30};

// The status Qt's client ends the process with.
constexpr int kLostStatus = 1;

struct State {
    std::mutex mutex;
    std::condition_variable runEnded;
    bool running = false;
    std::thread::id runThread;
    std::atomic<bool> lost{false};
    QtMessageHandler previous = nullptr;
};

State& TheState() {
    static State state;
    return state;
}

// Both of the client's farewells: "... broke. Did the Wayland compositor
// die?" and "... experienced a fatal error: ...".
bool IsConnectionEnd(QtMsgType type, const QString& message) {
    return type == QtWarningMsg && message.startsWith(QLatin1String("The Wayland connection "));
}

void HoldEndForRun(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    State& state = TheState();
    if (state.previous != nullptr) {
        state.previous(type, context, message);
    }
    if (!IsConnectionEnd(type, message)) {
        return;
    }
    std::unique_lock<std::mutex> lock(state.mutex);
    state.lost = true;
    // On the run's own thread there is nothing to wait for: the run is what
    // met the broken connection, and it cannot go on past Qt's exit.
    if (state.running && std::this_thread::get_id() != state.runThread) {
        state.runEnded.wait_for(lock, kRunGrace, [&state] { return !state.running; });
    }
}

}  // namespace

CompositorWatch::CompositorWatch() {
    if (OnWaylandPlatform()) {
        TheState().previous = qInstallMessageHandler(HoldEndForRun);
        installed_ = true;
    }
}

CompositorWatch::~CompositorWatch() {
    if (installed_) {
        qInstallMessageHandler(TheState().previous);
    }
}

RunInProgress::RunInProgress() {
    State& state = TheState();
    const std::lock_guard<std::mutex> lock(state.mutex);
    admitted_ = !state.lost;
    if (admitted_) {
        state.running = true;
        state.runThread = std::this_thread::get_id();
    }
}

RunInProgress::~RunInProgress() {
    if (!admitted_) {
        return;
    }
    State& state = TheState();
    bool lost = false;
    {
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.running = false;
        lost = state.lost;
    }
    state.runEnded.notify_all();
    if (lost) {
        std::_Exit(kLostStatus);
    }
}

bool DisplayLost() {
    return TheState().lost;
}

}  // namespace desktop
