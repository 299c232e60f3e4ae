#include <chrono>
#include <optional>

#include "DisplayFlush.h"
#include "TeardownWatchdog.h"
#include "ZazivadeZaz32.h"

namespace {

// The application's teardown takes milliseconds; one that takes this long
// is stuck.
constexpr std::chrono::seconds kTeardownTimeout{3};

}  // namespace

int main(int argc, char** argv) {
    std::optional<CTavroApp> app(std::in_place, argc, argv);
    const int status = app->InitInstance() ? CTavroApp::exec() : 0;
    // The dialog has ended; on Wayland, Qt's teardown may hang (see
    // TeardownWatchdog), and the process must end all the same.
    std::optional<TeardownWatchdog> watchdog;
    if (ApplicationWaylandDisplay() != nullptr) {
        watchdog.emplace(status, kTeardownTimeout);
    }
    app.reset();
    return status;
}
