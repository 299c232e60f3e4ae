#include <optional>

#include "TeardownWatchdog.h"
#include "ZazivadeZaz32.h"

int main(int argc, char** argv) {
    std::optional<CTavroApp> app(std::in_place, argc, argv);
    const int status = app->InitInstance() ? CTavroApp::exec() : 0;
    // The dialog has ended; the process must end with it even where Qt's
    // teardown can hang.
    desktop::WatchTeardown(status, [&app] { app.reset(); });
    return status;
}
