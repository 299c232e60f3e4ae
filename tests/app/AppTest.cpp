#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "MessageBoxCloser.h"
#include "TempWorkDir.h"
#include "UrlRecorder.h"
#include "ZazivadeZaz32.h"
#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

namespace {

CTavroApp& App() {
    return *static_cast<CTavroApp*>(QCoreApplication::instance());
}

TEST(TavroAppTest, IsNamedAfterItsExecutableAndIgnoresTheCommandLine) {
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "tavro_app_tests");
    EXPECT_EQ(QCoreApplication::applicationVersion().toStdString(), "1.0.0.1");
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), "ZazivadeZaz32");
    EXPECT_EQ(QCoreApplication::arguments().size(), 1);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
}

TEST(TavroAppTest, InitInstanceRunsTheDialogModallyAsMainWindowAndReturnsFalse) {
    TempWorkDir dir;
    bool sawDialog = false;
    bool wasModal = false;
    bool hadFocusOnStart = false;
    QTimer::singleShot(0, &App(), [&] {
        CTavroDlg* dlg = App().m_pMainWnd;
        if (dlg == nullptr) {
            return;  // InitInstance would then hang; the ctest timeout reports it
        }
        sawDialog = dlg->isVisible();
        wasModal = dlg->isModal() && QApplication::activeModalWidget() == dlg;
        hadFocusOnStart = dlg->focusWidget() == dlg->GetDlgItem(IDC_START);
        dlg->close();
    });
    EXPECT_FALSE(App().InitInstance());
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(hadFocusOnStart);
    EXPECT_EQ(App().m_pMainWnd, nullptr);
}

// Runs in a child process whose file-size limit the list file exceeds. Without
// SIGXFSZ ignored the write would kill the process instead of failing.
std::string RunBeyondTheFileSizeLimit() {
    TempWorkDir dir;
    UrlRecorder shell;
    CTavroDlg dlg;
    dlg.show();
    auto* upper = qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_UPPER));
    auto* start = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_START));
    rlimit lowered{};
    getrlimit(RLIMIT_FSIZE, &lowered);
    lowered.rlim_cur = 4096;  // 2-100000.txt needs about 56 kB
    if (setrlimit(RLIMIT_FSIZE, &lowered) != 0) {
        return "setrlimit failed";
    }
    upper->setText("100000");
    MessageBoxCloser closer;
    QTest::mouseClick(start, Qt::LeftButton);
    if (closer.boxes.size() != 1) {
        return "boxes shown: " + std::to_string(closer.boxes.size());
    }
    if (closer.boxes[0].text.toStdString() != "ファイル 2-100000.txt を書き込めませんでした") {
        return "wrong message: " + closer.boxes[0].text.toStdString();
    }
    return dlg.isVisible() ? "" : "the dialog closed";
}

TEST(TavroAppTest, AFileSizeLimitIsReportedNotFatal) {
    EXPECT_EXIT(
        {
            const std::string failure = RunBeyondTheFileSizeLimit();
            std::fprintf(stderr, "%s\n", failure.empty() ? "ok" : failure.c_str());
            std::fflush(stderr);
            std::_Exit(failure.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "(^|\n)ok\n$");
}

}  // namespace
