#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "StandInViewer.h"

// One QApplication for all dialog tests, on the offscreen platform unless the
// environment picks another, and the stand-in opener first on PATH, so no run
// ever starts a real viewer. A death test's child that re-executes this binary
// inherits its parent's PATH, opener included, and ends without returning here,
// so it installs none of its own.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    const bool deathTestChild = !GTEST_FLAG_GET(internal_run_death_test).empty();
    const std::filesystem::path opener =
        deathTestChild ? std::filesystem::path() : InstallStandInOpener();
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("ZazivadeZaz32"));
        status = RUN_ALL_TESTS();
    }
    if (!opener.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(opener, ignored);
    }
    return status;
}
