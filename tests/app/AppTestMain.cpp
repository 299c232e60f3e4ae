#include <gtest/gtest.h>

#include "ZazivadeZaz32.h"

// The application object under test is the one this process runs on. It is
// given options Qt would otherwise act on (-reverse flips the layout), which
// it must ignore.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    char reverse[] = "-reverse";
    char other[] = "2-100.txt";
    char* appArgv[] = {argv[0], reverse, other, nullptr};
    CTavroApp app(3, appArgv);
    return RUN_ALL_TESTS();
}
