#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "ListFileBytes.h"
#include "MessageBoxCloser.h"
#include "SearchTexts.h"
#include "TempWorkDir.h"
#include "UrlRecorder.h"
#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

namespace fs = std::filesystem;

namespace {

std::string TextOf(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        return button->text().toStdString();
    }
    return "<no text>";
}

std::vector<QWidget*> Controls(const CTavroDlg& dlg) {
    std::vector<QWidget*> controls;
    for (QObject* child : dlg.children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow()) {
            controls.push_back(widget);
        }
    }
    return controls;
}

bool IsDecimal(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Records the text a label holds each time it is painted.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    std::vector<std::string> painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && event->type() == QEvent::Paint) {
            painted.push_back(m_label->text().toStdString());
        }
        return false;
    }

private:
    QLabel* m_label;
};

// A shown dialog in a fresh working directory, the desktop replaced by a
// recorder.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }

    QWidget* Item(int id) { return dlg.GetDlgItem(id); }
    QLineEdit* Upper() { return qobject_cast<QLineEdit*>(Item(IDC_UPPER)); }
    QPushButton* Start() { return qobject_cast<QPushButton*>(Item(IDC_START)); }

    TempWorkDir dir;
    UrlRecorder shell;
    CTavroDlg dlg;
};

TEST_F(DialogTest, StartsWithTheInitialTextsAndTheFocusOnStart) {
    auto* lower = qobject_cast<QLineEdit*>(Item(IDC_LOWER));
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(Upper(), nullptr);
    EXPECT_EQ(TextOf(lower), "2");
    EXPECT_TRUE(lower->isReadOnly());
    EXPECT_TRUE(lower->alignment() & Qt::AlignRight);
    EXPECT_EQ(TextOf(Upper()), "");
    EXPECT_FALSE(Upper()->isReadOnly());
    EXPECT_TRUE(Upper()->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(lower->hasFrame() && Upper()->hasFrame());
    EXPECT_EQ(TextOf(Item(IDC_STATE)), "入力待ち");
    for (const int id : {IDC_COUNT, IDC_ELAPSED, IDC_FILETIME}) {
        EXPECT_EQ(TextOf(Item(id)), "") << id;
    }
    EXPECT_EQ(dlg.fields().m_strLower, "2");
    EXPECT_EQ(dlg.fields().m_strState, "入力待ち");
    EXPECT_EQ(dlg.focusWidget(), Start());
    EXPECT_FALSE(Start()->isDefault());
    EXPECT_FALSE(Start()->autoDefault());
}

TEST_F(DialogTest, IsAFixedSizeWindowWithCaptionIconAndNoMaximizeBox) {
    EXPECT_EQ(dlg.windowTitle().toStdString(), "Tavro+ for Win32");
    EXPECT_EQ(dlg.windowType(), Qt::Window);  // a taskbar entry of its own
    const Qt::WindowFlags flags = dlg.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_EQ(dlg.size(), dlg.minimumSize());

    // The icon: transparent corners, a light blue square, an orange ball lit
    // from the upper left.
    const QImage icon = dlg.windowIcon().pixmap(QSize(32, 32)).toImage();
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(31, 31)), 0);
    const QColor edge = icon.pixelColor(16, 1);
    EXPECT_GT(edge.blue(), edge.red());
    const QColor centre = icon.pixelColor(16, 16);
    EXPECT_GT(centre.red(), centre.green());
    EXPECT_GT(centre.green(), centre.blue());
    EXPECT_GT(icon.pixelColor(11, 11).lightness(), icon.pixelColor(21, 21).lightness());
}

// The twelve controls as the dialog resource lists them.
struct ExpectedControl {
    int id;
    const char* kind;
    const char* text;
    DialogRect rect;
};

constexpr ExpectedControl kExpectedControls[] = {
    {IDC_STATIC, "QLabel", "～", {59, 62, 9, 9}},
    {IDC_START, "QPushButton", "スタート", {1, 76, 124, 18}},
    {IDC_LOWER, "QLineEdit", "2", {0, 60, 56, 12}},
    {IDC_UPPER, "QLineEdit", "", {68, 60, 56, 12}},
    {IDC_STATIC, "QLabel", "素数の数：", {3, 4, 33, 11}},
    {IDC_COUNT, "QLabel", "", {36, 4, 33, 9}},
    {IDC_STATIC, "QLabel", "処理時間（ﾐﾘ秒）：", {3, 18, 52, 10}},
    {IDC_ELAPSED, "QLabel", "", {56, 18, 35, 11}},
    {IDC_STATE, "QLabel", "入力待ち", {22, 32, 46, 11}},
    {IDC_STATIC, "QLabel", "状態：", {3, 32, 17, 10}},
    {IDC_STATIC, "QLabel", "ファイル出力時間（ﾐﾘ秒）：", {3, 46, 75, 10}},
    {IDC_FILETIME, "QLabel", "", {80, 46, 40, 10}},
};

TEST_F(DialogTest, HasTheTwelveControlsInTemplateOrderScaledByTheDialogUnits) {
    const DialogUnits& units = dlg.dialogUnits();
    EXPECT_EQ(dlg.size(), units.MapSize(126, 95));
    const std::vector<QWidget*> controls = Controls(dlg);
    ASSERT_EQ(controls.size(), std::size(kExpectedControls));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ExpectedControl& expected = kExpectedControls[i];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " " << expected.text);
        EXPECT_STREQ(controls[i]->metaObject()->className(), expected.kind);
        EXPECT_EQ(TextOf(controls[i]), expected.text);
        EXPECT_EQ(controls[i]->geometry(), units.MapRect(expected.rect));
        EXPECT_TRUE(dlg.rect().contains(controls[i]->geometry()));
        if (expected.id != IDC_STATIC) {
            EXPECT_EQ(dlg.GetDlgItem(expected.id), controls[i]);
        }
    }
    EXPECT_EQ(dlg.GetDlgItem(IDC_STATIC), nullptr);
}

TEST_F(DialogTest, TabVisitsStartLowerUpperInTurn) {
    std::vector<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited, (std::vector<QWidget*>{Start(), Item(IDC_LOWER), Upper(), Start()}));
}

TEST_F(DialogTest, ARunFromTheButtonWritesTheListShowsTheResultsAndOpensTheFile) {
    PaintRecorder statePaints(qobject_cast<QLabel*>(Item(IDC_STATE)));
    QTest::keyClicks(Upper(), "100");
    QTest::mouseClick(Start(), Qt::LeftButton);

    EXPECT_EQ(TextOf(Item(IDC_COUNT)), "25");
    EXPECT_EQ(TextOf(Item(IDC_STATE)), "入力待ち");
    EXPECT_EQ(TextOf(Upper()), "100");
    EXPECT_EQ(TextOf(Item(IDC_LOWER)), "2");
    const std::string elapsed = TextOf(Item(IDC_ELAPSED));
    const std::string fileTime = TextOf(Item(IDC_FILETIME));
    EXPECT_TRUE(IsDecimal(elapsed)) << elapsed;
    EXPECT_TRUE(IsDecimal(fileTime)) << fileTime;
    EXPECT_EQ(ReadFileBytes("2-100.txt"), ExpectedList100(elapsed, fileTime));
    EXPECT_TRUE(fs::exists("debug.txt"));
    EXPECT_EQ(fs::file_size("debug.txt"), 0u);
    ASSERT_EQ(shell.urls.size(), 1u);
    EXPECT_EQ(shell.urls[0], QUrl::fromLocalFile(QDir::current().absoluteFilePath("2-100.txt")));
    // No event loop ran during the run, so these paints came from the pushes.
    std::vector<std::string> states;
    for (const std::string& text : statePaints.painted) {
        if (states.empty() || states.back() != text) {
            states.push_back(text);
        }
    }
    EXPECT_EQ(states, (std::vector<std::string>{"処理中", "ファイル出力中", "入力待ち"}));
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(DialogTest, ARejectedBoundShowsOneCaptionedMessageAndChangesNothing) {
    struct Case {
        const char* typed;
        std::string_view message;
    };
    const Case cases[] = {
        {"", search_texts::kInvalid},
        {"110000001", search_texts::kTooLarge},
        {"１００", search_texts::kInvalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Upper()->setText(QString::fromUtf8(c.typed));
        MessageBoxCloser closer;
        QTest::mouseClick(Start(), Qt::LeftButton);
        ASSERT_EQ(closer.boxes.size(), 1u);
        const ShownBox& box = closer.boxes[0];
        EXPECT_EQ(box.text.toStdString(), c.message);
        EXPECT_EQ(box.title.toStdString(), "ZazivadeZaz32");
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_TRUE(box.modal);
        EXPECT_EQ(box.parent, &dlg);
        EXPECT_EQ(TextOf(Item(IDC_STATE)), "入力待ち");
        EXPECT_EQ(TextOf(Item(IDC_COUNT)), "");
        EXPECT_FALSE(fs::exists("debug.txt"));
        EXPECT_TRUE(shell.urls.empty());
        EXPECT_TRUE(dlg.isVisible());
    }
}

TEST_F(DialogTest, ControlsAreNamedForAssistiveTechnology) {
    Upper()->setText("100");
    QTest::mouseClick(Start(), Qt::LeftButton);
    struct Case {
        int id;
        const char* name;
        const char* description;
    };
    const Case cases[] = {
        {IDC_START, "スタート", ""},
        {IDC_LOWER, "下限", ""},
        {IDC_UPPER, "上限", ""},
        {IDC_COUNT, "25", "素数の数"},
        {IDC_ELAPSED, nullptr, "処理時間"},
        {IDC_STATE, "入力待ち", "状態"},
        {IDC_FILETIME, nullptr, "ファイル出力時間"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Item(c.id));
        ASSERT_NE(accessible, nullptr);
        // A result field's name is the number it shows.
        const std::string name = accessible->text(QAccessible::Name).toStdString();
        EXPECT_EQ(name, c.name != nullptr ? std::string(c.name) : TextOf(Item(c.id)));
        EXPECT_EQ(accessible->text(QAccessible::Description).toStdString(), c.description);
    }
    QAccessibleInterface* lower = QAccessible::queryAccessibleInterface(Item(IDC_LOWER));
    EXPECT_EQ(lower->text(QAccessible::Value).toStdString(), "2");
}

// What a key (or the close box) does depends on where the focus is.
TEST(DialogKeyboardTest, EnterEndsAsOkFromAnEditAndPressesTheButtonOnIt) {
    enum class Outcome { kOkWithoutRun, kCancelWithoutRun, kRunAndStayOpen };
    struct Case {
        const char* name;
        int focus;
        int key;  // 0: the close box
        Qt::KeyboardModifiers modifiers;
        Outcome outcome;
    };
    const Case cases[] = {
        {"Return in the upper edit", IDC_UPPER, Qt::Key_Return, Qt::NoModifier,
         Outcome::kOkWithoutRun},
        {"keypad Enter in the upper edit", IDC_UPPER, Qt::Key_Enter, Qt::KeypadModifier,
         Outcome::kOkWithoutRun},
        {"Return in the lower edit", IDC_LOWER, Qt::Key_Return, Qt::NoModifier,
         Outcome::kOkWithoutRun},
        {"Return on Start", IDC_START, Qt::Key_Return, Qt::NoModifier, Outcome::kRunAndStayOpen},
        {"Space on Start", IDC_START, Qt::Key_Space, Qt::NoModifier, Outcome::kRunAndStayOpen},
        {"Escape in the upper edit", IDC_UPPER, Qt::Key_Escape, Qt::NoModifier,
         Outcome::kCancelWithoutRun},
        {"Escape on Start", IDC_START, Qt::Key_Escape, Qt::NoModifier, Outcome::kCancelWithoutRun},
        {"the close box", IDC_UPPER, 0, Qt::NoModifier, Outcome::kCancelWithoutRun},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempWorkDir dir;
        UrlRecorder shell;
        CTavroDlg dlg;
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        auto* upper = qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_UPPER));
        QTest::keyClicks(upper, "100");
        QWidget* focus = dlg.GetDlgItem(c.focus);
        focus->setFocus();
        if (c.key == 0) {
            dlg.close();
        } else {
            QTest::keyClick(focus, static_cast<Qt::Key>(c.key), c.modifiers);
        }
        switch (c.outcome) {
            case Outcome::kOkWithoutRun:
                EXPECT_FALSE(dlg.isVisible());
                EXPECT_EQ(dlg.result(), QDialog::Accepted);
                EXPECT_EQ(dlg.fields().m_strUpper, "100");  // pulled before ending
                break;
            case Outcome::kCancelWithoutRun:
                EXPECT_FALSE(dlg.isVisible());
                EXPECT_EQ(dlg.result(), QDialog::Rejected);
                EXPECT_EQ(dlg.fields().m_strUpper, "");
                break;
            case Outcome::kRunAndStayOpen:
                EXPECT_TRUE(dlg.isVisible());
                EXPECT_TRUE(fs::exists("2-100.txt"));
                EXPECT_EQ(TextOf(dlg.GetDlgItem(IDC_COUNT)), "25");
                EXPECT_EQ(shell.urls.size(), 1u);
                break;
        }
        if (c.outcome != Outcome::kRunAndStayOpen) {
            EXPECT_FALSE(fs::exists("debug.txt"));
            EXPECT_FALSE(fs::exists("2-100.txt"));
            EXPECT_TRUE(shell.urls.empty());
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define TAVRO_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVRO_UNDER_ASAN 1
#endif
#endif

#ifndef TAVRO_UNDER_ASAN
// The process's address space now, in bytes, from /proc/self/status.
rlim_t CurrentAddressSpace() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            unsigned long long kib = 0;
            status >> kib;
            return static_cast<rlim_t>(kib) * 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// Runs in a child process: a run at the largest bound under an address-space
// limit too small for its table, then, with the limit lifted, a normal run.
// Returns what went wrong, or nothing.
std::string OutOfMemoryThenRunAgain() {
    TempWorkDir dir;
    UrlRecorder shell;
    CTavroDlg dlg;
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) {
        return "not exposed";
    }
    auto* upper = qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_UPPER));
    auto* start = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_START));
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = CurrentAddressSpace() + (64u << 20);  // room for the message box
    upper->setText("110000000");
    {
        MessageBoxCloser closer;
        if (setrlimit(RLIMIT_AS, &lowered) != 0) {
            return "setrlimit failed";
        }
        QTest::mouseClick(start, Qt::LeftButton);
        setrlimit(RLIMIT_AS, &saved);
        if (closer.boxes.size() != 1) {
            return "boxes shown: " + std::to_string(closer.boxes.size());
        }
        const ShownBox& box = closer.boxes[0];
        if (box.text.toStdString() != "メモリが不足しています。" ||
            box.title.toStdString() != "ZazivadeZaz32" || box.icon != QMessageBox::NoIcon) {
            return "wrong box: " + box.title.toStdString() + " / " + box.text.toStdString();
        }
    }
    if (!dlg.isVisible() || TextOf(dlg.GetDlgItem(IDC_STATE)) != "入力待ち" ||
        fs::exists("debug.txt") || !shell.urls.empty()) {
        return "the failed run left traces";
    }
    upper->setText("100");
    QTest::mouseClick(start, Qt::LeftButton);
    if (TextOf(dlg.GetDlgItem(IDC_COUNT)) != "25" || !fs::exists("2-100.txt") ||
        shell.urls.size() != 1) {
        return "the next run failed";
    }
    return "";
}
#endif

TEST(DialogOutOfMemoryTest, ReportsItKeepsTheDialogOpenAndTheNextRunWorks) {
#ifdef TAVRO_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#else
    EXPECT_EXIT(
        {
            const std::string failure = OutOfMemoryThenRunAgain();
            std::fprintf(stderr, "%s\n", failure.empty() ? "ok" : failure.c_str());
            std::fflush(stderr);
            std::_Exit(failure.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "(^|\n)ok\n$");
#endif
}

}  // namespace
