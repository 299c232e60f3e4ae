#pragma once

#include <string>

namespace desktop {

// Without a display server to connect to, Qt gives up only after trying every
// platform it was told to, and then aborts: a core file, and a message that
// suggests reinstalling. These two let the program say instead, in one line on
// standard error, what was tried and how to start it, and end with status 1.

// Asked before the application object exists. The line (without its newline)
// that says why no window can open, or empty when one of the window systems
// Qt is going to try answers on its socket, or when Qt is told to use a
// platform that needs no display server (offscreen, vnc, ...). A display
// reached over the network is taken to answer; Qt finds out. `program` is
// argv[0] (may be null).
std::string WhyNoWindowCanOpen(const char* program);

// While it lives, Qt giving up on every platform (a fatal message, then abort)
// ends the process with status 1 and one line saying so after Qt's own
// warnings, which tell what each platform met; other messages pass on. For the
// construction of the application object, when the check above let through a
// display that then refused Qt. One at a time, on the main thread.
class PlatformFailureExit {
public:
    explicit PlatformFailureExit(const char* program);
    ~PlatformFailureExit();
    PlatformFailureExit(const PlatformFailureExit&) = delete;
    PlatformFailureExit& operator=(const PlatformFailureExit&) = delete;
};

}  // namespace desktop
