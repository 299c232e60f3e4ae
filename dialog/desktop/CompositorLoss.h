#pragma once

namespace desktop {

// When the Wayland compositor goes away, Qt 6.4's client ends the process at
// once from its event thread (_exit(1), right after the warning "The Wayland
// connection broke. Did the Wayland compositor die?"), while the run goes on
// on the main thread: a list file cut short, without its footer, would stay at
// the list name. No hook sees that _exit; the warning before it does.

// While it lives, on Wayland, that warning holds the process's end back until
// the run in progress has ended (up to 30 s; a run takes about 3 s at most on
// an idle machine), and marks the display lost. Created by main after the
// application object, one per process; does nothing on other platforms.
class CompositorWatch {
public:
    CompositorWatch();
    ~CompositorWatch();
    CompositorWatch(const CompositorWatch&) = delete;
    CompositorWatch& operator=(const CompositorWatch&) = delete;

private:
    bool installed_ = false;
};

// One run, on the thread that runs it. Not admitted once the display is lost:
// the run must not start. A run during which the display was lost ends the
// process where this ends, with status 1 as Qt's client would: the run's files
// are complete, and nothing else may start.
class RunInProgress {
public:
    RunInProgress();
    ~RunInProgress();
    RunInProgress(const RunInProgress&) = delete;
    RunInProgress& operator=(const RunInProgress&) = delete;

    bool admitted() const { return admitted_; }

private:
    bool admitted_ = false;
};

// True once the compositor's connection has broken: nothing painted can reach
// the screen, and painting might only meet the broken connection first.
bool DisplayLost();

}  // namespace desktop
