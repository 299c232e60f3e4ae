#include <gtest/gtest.h>
#include <signal.h>

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DialogTemplate.h"
#include "IconResource.h"
#include "ListBytes.h"
#include "MessageBoxCloser.h"
#include "SearchTexts.h"
#include "StandInViewer.h"
#include "TempWorkDir.h"
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

// A shown dialog in a fresh working directory.
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
}

TEST_F(DialogTest, IsAFixedSizeWindowWithTheTemplatesCaptionAndTheIcon) {
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8(TavroDialogTemplate().caption));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_EQ(dlg.size(), dlg.minimumSize());
    const QImage icon = dlg.windowIcon().pixmap(QSize(32, 32)).toImage();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon, LoadIconResource(IDR_MAINFRAME).pixmap(QSize(32, 32)).toImage());
}

const char* ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::kPushButton:
            return "QPushButton";
        case ControlKind::kEdit:
            return "QLineEdit";
        case ControlKind::kStatic:
            break;
    }
    return "QLabel";
}

// The template's controls in its order, which is the tab and stacking order;
// the labels show its texts.
TEST_F(DialogTest, HasTheTemplatesControlsInItsOrderInsideTheWindowApart) {
    const std::vector<QWidget*> controls = Controls(dlg);
    const auto& expectedControls = TavroDialogTemplate().controls;
    ASSERT_EQ(controls.size(), expectedControls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const DialogControlTemplate& expected = expectedControls[i];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " " << expected.symbol);
        EXPECT_STREQ(controls[i]->metaObject()->className(), ClassOf(expected.kind));
        if (expected.id == IDC_STATIC) {
            EXPECT_EQ(TextOf(controls[i]), expected.text);
        } else {
            EXPECT_EQ(dlg.GetDlgItem(expected.id), controls[i]);
        }
        EXPECT_TRUE(dlg.rect().contains(controls[i]->geometry()));
        // No two controls of the template overlap; those that touch in
        // units must still only touch in pixels.
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << "overlaps control #" << j + 1;
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

// The run's files are the run's own tests' concern; the dialog adds the
// painting of each state while the run goes on and the results shown after.
TEST_F(DialogTest, ARunFromTheButtonPaintsEachStateAndShowsItsResults) {
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

// What the dialog adds to the run's own checks of the bound: the text as the
// edit holds it (full-width characters, and at most 32767 characters although
// no limit is set) and the message box itself.
TEST_F(DialogTest, ARejectedBoundShowsOneCaptionedMessageAndChangesNothing) {
    struct Case {
        std::string typed;
        std::string_view message;
    };
    const Case cases[] = {
        {"", search_texts::kInvalid},
        {"110000001", search_texts::kTooLarge},
        {"１００", search_texts::kInvalid},
        {"\u3000100", search_texts::kInvalid},
        {std::string(100000, '9'), search_texts::kTooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.substr(0, 24));
        Upper()->setText(QString::fromStdString(c.typed));
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
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(TextOf(Upper()).size(), std::min<std::size_t>(c.typed.size(), 32767));
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
                break;
        }
        if (c.outcome != Outcome::kRunAndStayOpen) {
            EXPECT_FALSE(fs::exists("debug.txt"));
            EXPECT_FALSE(fs::exists("2-100.txt"));
        }
    }
}

// Changes the process's signal state for a scope, the way a launcher or the
// program itself might: dispositions ignored, signals blocked.
class AlteredSignals {
public:
    AlteredSignals() {
        for (const int signal : {SIGPIPE, SIGXFSZ, SIGHUP}) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            ::sigaction(signal, &ignore, &saved_[signal]);
        }
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGUSR1);
        sigaddset(&blocked, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &blocked, &mask_);
    }
    ~AlteredSignals() {
        for (const int signal : {SIGPIPE, SIGXFSZ, SIGHUP}) {
            ::sigaction(signal, &saved_[signal], nullptr);
        }
        ::sigprocmask(SIG_SETMASK, &mask_, nullptr);
    }
    AlteredSignals(const AlteredSignals&) = delete;
    AlteredSignals& operator=(const AlteredSignals&) = delete;

private:
    struct sigaction saved_[NSIG] {};
    sigset_t mask_{};
};

// The viewer is asked for the file the run wrote, by its name in the working
// directory it inherits, whatever bytes that directory's path holds; a stale
// list in a directory whose name is the path decoded as UTF-8 and encoded
// again is never what it sees. It starts with every signal at its default
// action and none blocked, whatever the program's own state.
TEST(DialogViewerTest, TheViewerIsAskedForExactlyTheFileTheRunWrote) {
    struct Case {
        const char* name;
        std::string subdirectory;  // empty: the fresh directory itself
    };
    const Case cases[] = {
        {"an ASCII path", ""},
        {"a Latin-1 name", "caf\xE9"},
        {"a Shift_JIS name", "\x93\xFA\x96\x7B"},  // 日本
        {"an EUC-JP name", "\xC6\xFC\xCB\xDC"},    // 日本
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempWorkDir dir;
        if (!c.subdirectory.empty()) {
            const QByteArray misread = QFile::encodeName(QFile::decodeName(c.subdirectory.c_str()));
            ASSERT_NE(misread.toStdString(), c.subdirectory) << "the name is valid UTF-8";
            fs::create_directory(misread.toStdString());
            std::ofstream(misread.toStdString() + "/2-100.txt") << "a stale list";
            fs::create_directory(c.subdirectory);
            fs::current_path(c.subdirectory);
        }
        const std::string cwd = fs::current_path().string();
        StandInViewer viewer;
        CTavroDlg dlg;
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_UPPER))->setText("100");
        {
            const AlteredSignals altered;
            QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_START)),
                              Qt::LeftButton);
        }
        std::string seen;
        EXPECT_EQ(viewer.NextRequest(seen), "cwd=" + cwd +
                                                "\nargs=2-100.txt\n"
                                                "SigBlk:\t0000000000000000\n"
                                                "SigIgn:\t0000000000000000\n");
        EXPECT_EQ(seen, ReadFileBytes("2-100.txt"));
        EXPECT_EQ(seen.substr(0, 2), "2\t");
    }
}

}  // namespace
