// The file faults, memory exhaustion at the list and the odd bound texts
// through the real dialog: the message boxes the user sees, the fields shown
// afterwards, whether the viewer was asked to open the file, what is left on
// disk, and that the dialog still answers the next press.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstddef>
#include <filesystem>
#include <string>

#include "ChildProcess.h"
#include "DialogTexts.h"
#include "FileFaults.h"
#include "MessageBoxCloser.h"
#include "ProcessLimits.h"
#include "SearchLimits.h"
#include "TempWorkDir.h"
#include "UrlRecorder.h"
#include "WorkDirListing.h"
#include "ZazivadeZaz32Dlg.h"
#include "resource.h"

namespace fs = std::filesystem;

namespace {

// fork() copies only the calling thread; a child of a process with more
// would inherit locks held by threads that no longer exist.
std::size_t Threads() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) {
        ++n;
    }
    return n;
}

// A shown dialog in the current working directory, the desktop replaced by a
// recorder.
struct ShownDialog {
    UrlRecorder shell;
    CTavroDlg dlg;

    ShownDialog() {
        dlg.show();
        exposed = QTest::qWaitForWindowExposed(&dlg);
    }
    bool exposed = false;

    std::string Shown(int id) {
        QWidget* control = dlg.GetDlgItem(id);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            return label->text().toStdString();
        }
        return qobject_cast<QLineEdit*>(control)->text().toStdString();
    }

    // Types `typed` into the upper-bound field and clicks スタート; returns what
    // the user and the disk see once the run (and any message box) is over.
    std::string Press(const std::string& typed) {
        if (!exposed) {
            return "setup: the dialog was not exposed";
        }
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_UPPER))->setText(QString::fromStdString(typed));
        const std::size_t openedBefore = shell.urls.size();
        std::string boxes;
        {
            MessageBoxCloser closer;
            QTest::mouseClick(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_START)),
                              Qt::LeftButton);
            for (const ShownBox& box : closer.boxes) {
                boxes += (boxes.empty() ? "" : " | ") + box.text.toStdString();
            }
        }
        const std::string upper = Shown(IDC_UPPER);
        return "boxes=" + boxes + "\nstate=" + Shown(IDC_STATE) + "\ncount=" + Shown(IDC_COUNT) +
               "\nupper=" +
               (upper == typed ? std::string("as typed")
                               : std::to_string(upper.size()) + " characters") +
               "\nopened=" + std::to_string(shell.urls.size() - openedBefore) +
               "\nvisible=" + (dlg.isVisible() ? "yes" : "no") +
               "\nfiles=" + ListWorkDir(dlg.fields());
    }
};

std::string Seen(const std::string& boxes, const std::string& state, const std::string& count,
                 const std::string& upper, int opened, const std::string& files) {
    return "boxes=" + boxes + "\nstate=" + state + "\ncount=" + count + "\nupper=" + upper +
           "\nopened=" + std::to_string(opened) + "\nvisible=yes\nfiles=" + files;
}

std::string NotWritten(const std::string& listName) {
    return "ファイル " + listName + " を書き込めませんでした";
}

// What a press with a rejected bound shows after a faulted run: the dialog
// still answers, and only with the one message.
const std::string kStillAnswers = "\n--\nboxes=範囲が不当です";

std::string FirstLine(const std::string& report) {
    return report.substr(0, report.find('\n'));
}

TEST(DialogFaultTest, EveryFileFaultShowsTheRightMessageAndTheDialogStaysUsable) {
    Unprivileged nobody{};
    ASSERT_TRUE(FindNobody(nobody)) << "no user \"nobody\": the permission rows cannot be set up";
    ASSERT_EQ(Threads(), 1u) << "the rows fork, which needs a single-threaded process";
    for (const file_faults::FileFault& row : file_faults::AllFileFaults()) {
        SCOPED_TRACE(row.fault);
        TempWorkDir dir;
        ASSERT_EQ(row.arrange(nobody), "") << "the fault could not be set up";
        const std::string report = file_faults::RunUnderFault(row, nobody, [&row] {
            ShownDialog shown;
            const std::string first = shown.Press(row.typed);
            return first + "\n--\n" + FirstLine(shown.Press("1"));
        });
        const std::string expected =
            row.listWritten
                ? Seen("", "入力待ち", row.count, "as typed", 1, row.files)
                : Seen(NotWritten(row.ListName()), "入力待ち", row.count, "as typed", 0, row.files);
        EXPECT_EQ(report, expected + kStillAnswers);
    }
}

// The list cannot be allocated beside the table: the out-of-memory message,
// "処理中" still shown, the empty "debug.txt" left; then a run that needs more
// than a leaked table would leave succeeds under the same limit.
TEST(DialogFaultTest, AddressSpaceLimitAtTheListIsReportedAndTheNextRunWorks) {
    if (BuiltWithAddressSanitizer()) {
        GTEST_SKIP() << "RLIMIT_AS cannot be used under AddressSanitizer, whose shadow memory "
                        "reserves terabytes of address space; this row runs in the normal build";
    }
    ASSERT_EQ(Threads(), 1u) << "the row forks, which needs a single-threaded process";
    TempWorkDir dir;
    constexpr std::size_t kMiB = 1 << 20;
    const std::size_t table = static_cast<std::size_t>(kMaxUpperBound) + 11;
    const std::string report = RunInChild([table] {
        ShownDialog shown;
        const std::size_t inUse = AddressSpaceInUse();
        // 20 MB beside the table: the 25 MB list does not fit, painting does.
        const std::string limited = SetSoftLimit(RLIMIT_AS, inUse + table + 20 * kMiB);
        if (inUse == 0 || !limited.empty()) {
            return "setup: " + limited;
        }
        const std::string failed = shown.Press(std::to_string(kMaxUpperBound));
        return failed + "\n--\n" + shown.Press("20000000");
    });
    EXPECT_EQ(report, Seen(std::string(dialog_texts::kOutOfMemory), "処理中", "", "as typed", 0,
                           "debug.txt=empty") +
                          "\n--\n" +
                          Seen("", "入力待ち", "1270607", "as typed", 1,
                               "2-20000000.txt=list debug.txt=empty"));
}

struct BoundRow {
    std::string typed;
    std::string box;    // empty: accepted
    std::string count;  // shown afterwards
    std::string upper;  // the upper-bound field afterwards
};

TEST(DialogFaultTest, OddBoundTexts) {
    const std::string tooLarge = "範囲が大きすぎます";
    const std::string invalid = "範囲が不当です";
    const BoundRow rows[] = {
        {"2", "", "1", "as typed"},
        {"110000000", "", "6303309", "as typed"},
        {"2147483647", tooLarge, "", "as typed"},
        {"2147483648", tooLarge, "", "as typed"},
        {"99999999999999999999", tooLarge, "", "as typed"},
        {"-2147483649", invalid, "", "as typed"},
        {" ", invalid, "", "as typed"},
        {"+", invalid, "", "as typed"},
        {"-", invalid, "", "as typed"},
        {"\xE3\x80\x80"
         "100",
         invalid, "", "as typed"},  // full-width space first
        {"  100abc", "", "25", "as typed"},
        {"+100", "", "25", "as typed"},
        // An edit without a length limit set still keeps at most 32767
        // characters; the kept digits are as far out of range.
        {std::string(100000, '9'), tooLarge, "", "32767 characters"},
    };
    for (const BoundRow& row : rows) {
        SCOPED_TRACE("typed: \"" + row.typed.substr(0, 24) + "\" (" +
                     std::to_string(row.typed.size()) + " bytes)");
        TempWorkDir dir;
        ShownDialog shown;
        const std::string report = shown.Press(row.typed);
        const bool accepted = row.box.empty();
        const std::string list =
            accepted ? "2-" + std::to_string(std::stoi(row.typed)) + ".txt" : "";
        EXPECT_EQ(report, Seen(row.box, "入力待ち", row.count, row.upper, accepted ? 1 : 0,
                               accepted ? list + "=list debug.txt=empty" : ""));
    }
}

}  // namespace
