#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "TeardownWatchdog.h"

namespace {

using std::chrono::milliseconds;

// A teardown that hangs ends with the status the program would have
// returned; one that finishes leaves the end to the program.
TEST(TeardownWatchdogTest, EndsAHungTeardownWithItsStatusAndOnlyThat) {
    struct Case {
        const char* name;
        bool hangs;
        int exitCode;
    };
    const Case cases[] = {
        {"teardown hangs", true, 7},
        {"teardown finishes", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EXIT(
            {
                {
                    const desktop::TeardownWatchdog watchdog(
                        7, c.hangs ? milliseconds(50) : milliseconds(60000));
                    while (c.hangs) {
                        pause();
                    }
                }
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(c.exitCode), "");
    }
}

}  // namespace
