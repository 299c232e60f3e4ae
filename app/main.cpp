#include <cstdio>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "CompositorLoss.h"
#include "DisplayCheck.h"
#include "TeardownWatchdog.h"
#include "ZazivadeZaz32.h"

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerCommandLine(argc, argv)) {
        return *answered;
    }
    const char* program = argc > 0 ? argv[0] : nullptr;
    if (const std::string noWindow = desktop::WhyNoWindowCanOpen(program); !noWindow.empty()) {
        std::fprintf(stderr, "%s\n", noWindow.c_str());
        return 1;
    }
    std::optional<CTavroApp> app;
    {
        const desktop::PlatformFailureExit platformFailure(program);
        app.emplace(argc, argv);
    }
    int status = 0;
    {
        const desktop::CompositorWatch compositorWatch;
        status = app->InitInstance() ? CTavroApp::exec() : 0;
    }
    // The dialog has ended; the process must end with it even where Qt's
    // teardown can hang.
    desktop::WatchTeardown(status, [&app] { app.reset(); });
    return status;
}
