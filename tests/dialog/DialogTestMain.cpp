#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "StandInViewer.h"

// One QApplication for all dialog tests, on the offscreen platform unless the
// environment picks another, and the stand-in opener first on PATH, so no run
// ever starts a real viewer.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    const std::filesystem::path opener = InstallStandInOpener();
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("ZazivadeZaz32"));
        status = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(opener, ignored);
    return status;
}
