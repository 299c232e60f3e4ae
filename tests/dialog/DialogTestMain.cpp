#include <gtest/gtest.h>

#include <QApplication>

// One QApplication for all dialog tests, on the offscreen platform unless the
// environment picks another. Death tests re-run this binary, so each child
// gets an application of its own.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZazivadeZaz32"));
    return RUN_ALL_TESTS();
}
