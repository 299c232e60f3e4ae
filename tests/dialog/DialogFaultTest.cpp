// The file faults and the exceptions that can end a run, through the real
// dialog: what it adds to the run with a recording host is the message box the
// user sees and that the dialog stays usable (it answers the next press).

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>

#include "ChildProcess.h"
#include "DialogTexts.h"
#include "FileFaults.h"
#include "ProcessLimits.h"
#include "SearchLimits.h"
#include "ShownDialog.h"
#include "TempWorkDir.h"
#include "TestUser.h"

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

// What the user sees: the box of the faulted press, then the one of a press
// with a rejected bound, which only a dialog still answering shows.
std::string Seen(const std::string& box) {
    return "boxes=" + box + "\nvisible=yes\n--\nboxes=範囲が不当です\nvisible=yes";
}

// One file fault of each outcome the user can meet: the list written (no
// box), not written, or being written by another instance. The table itself
// is the run's (FaultTest); the dialog adds only the box and that it answers.
TEST(DialogFaultTest, EachFileFaultOutcomeShowsItsMessageAndTheDialogStaysUsable) {
    using file_faults::ListOutcome;
    TestUser user{};
    ASSERT_TRUE(FindTestUser(user)) << "no user \"nobody\": the permission rows cannot be set up";
    ASSERT_EQ(Threads(), 1u) << "the rows fork, which needs a single-threaded process";
    std::set<ListOutcome> seen;
    for (const file_faults::FileFault& row : file_faults::AllFileFaults()) {
        if (file_faults::NotRunInThisBuild(row) != nullptr || !seen.insert(row.outcome).second) {
            continue;
        }
        SCOPED_TRACE(row.fault);
        TempWorkDir dir;
        ASSERT_EQ(row.arrange(user), "") << "the fault could not be set up";
        const std::string report = RunInChild([&row, &user] {
            ShownDialog shown;
            const std::string setup = file_faults::EnterFault(row, user);
            if (!setup.empty()) {
                return setup;
            }
            shown.dlg.atPush = row.atPush;
            const std::string faulted = shown.Press(std::to_string(row.n));
            shown.dlg.atPush = nullptr;
            return faulted + "\n--\n" + shown.Press("1");
        });
        const std::string box = row.outcome == ListOutcome::kWritten ? ""
                                : row.outcome == ListOutcome::kInUse
                                    ? "ファイル " + row.ListName() +
                                          " は他のプログラムが書き込み中のため書き込めませんでした"
                                    : "ファイル " + row.ListName() + " を書き込めませんでした";
        EXPECT_EQ(report, Seen(box));
    }
    EXPECT_EQ(seen.size(), 3u) << "an outcome has no row";
}

struct ExceptionRow {
    const char* what;
    std::string typed;
    std::size_t addressSpace;  // headroom under an address-space limit; 0: none
    std::function<void(int push)> atPush;
    std::string_view message;
};

// Whatever ends a run by an exception is reported, and the dialog carries on.
TEST(DialogFaultTest, AnExceptionEndingARunIsReportedAndTheDialogStaysUsable) {
    ASSERT_EQ(Threads(), 1u) << "the rows fork, which needs a single-threaded process";
    constexpr std::size_t kMiB = 1 << 20;
    const ExceptionRow rows[] = {
        // 20 MB beside the table: the 25 MB list does not fit, painting does.
        {"memory exhausted at the list", std::to_string(kMaxUpperBound),
         static_cast<std::size_t>(kMaxUpperBound) + 20 * kMiB, nullptr, dialog_texts::kOutOfMemory},
        {"a standard exception from the desktop", "100", 0,
         [](int push) {
             if (push == 2) {
                 throw std::runtime_error("the display went away");
             }
         },
         dialog_texts::kRunFailed},
        {"an exception of no standard type", "100", 0,
         [](int push) {
             if (push == 1) {
                 throw 42;
             }
         },
         dialog_texts::kRunFailed},
    };
    for (const ExceptionRow& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.addressSpace != 0 && BuiltWithAddressSanitizer()) {
            std::printf(
                "row \"%s\" not run: RLIMIT_AS cannot be used under AddressSanitizer, "
                "whose shadow memory reserves terabytes of address space\n",
                row.what);
            continue;
        }
        TempWorkDir dir;
        const std::string report = RunInChild([&row] {
            ShownDialog shown;
            const std::string limited =
                row.addressSpace != 0 ? LimitAddressSpace(row.addressSpace) : "";
            if (!limited.empty()) {
                return "setup: " + limited;
            }
            shown.dlg.atPush = row.atPush;
            const std::string failed = shown.Press(row.typed);
            shown.dlg.atPush = nullptr;
            return failed + "\n--\n" + shown.Press("1");
        });
        EXPECT_EQ(report, Seen(std::string(row.message)));
    }
}

}  // namespace
