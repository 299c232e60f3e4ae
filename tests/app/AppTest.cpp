#include <gtest/gtest.h>

#include <QTimer>

#include "TempWorkDir.h"
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

}  // namespace
