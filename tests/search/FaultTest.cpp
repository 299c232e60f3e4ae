// The file faults and memory exhaustion through the whole run with a recording
// host: the calls the dialog would see, the states it would show, and what is
// left on disk. Each row gets a fresh working directory and runs in a child.

#include <gtest/gtest.h>

#include <cstdio>
#include <new>
#include <string>

#include "ChildProcess.h"
#include "FileFaults.h"
#include "ProcessLimits.h"
#include "RecordingHost.h"
#include "SearchLimits.h"
#include "TempWorkDir.h"
#include "TestUser.h"

namespace {

using file_faults::FileFault;

TEST(FaultTest, EveryFileFaultEndsInTheRightMessageAndLeavesNoBrokenList) {
    TestUser user{};
    ASSERT_TRUE(FindTestUser(user)) << "no user \"nobody\": the permission rows cannot be set up";
    for (const FileFault& row : file_faults::AllFileFaults()) {
        SCOPED_TRACE(row.fault);
        if (const char* why = file_faults::NotRunInThisBuild(row)) {
            std::printf("row \"%s\" not run in this build: %s\n", row.fault, why);
            continue;
        }
        TempWorkDir dir;
        ASSERT_EQ(row.arrange(user), "") << "the fault could not be set up";
        const std::string report = RunInChild([&row, &user] {
            const std::string setup = file_faults::EnterFault(row, user);
            if (!setup.empty()) {
                return setup;
            }
            RecordedRun run(std::to_string(row.n));
            run.host.atPush = row.atPush;
            run.Start();
            return run.Report();
        });
        const std::string calls =
            row.listWritten ? Succeeded(row.ListName()) : FailedToWrite(row.ListName());
        EXPECT_EQ(report, RecordedRun::Reported(calls, kAllStates, row.Count(), row.files));
    }
}

struct AddressSpaceRow {
    const char* where;
    std::size_t headroom;  // address space allowed beyond what the child uses
    std::string failed;    // report of the run that hits the limit
};

// Memory exhaustion at either allocation: std::bad_alloc passes through, the
// dialog shows what the run pushed so far, and nothing stays allocated - the
// next run, under the same limit, needs more than the headroom a leaked table
// would leave and must succeed.
TEST(FaultTest, AddressSpaceLimitAtTheTableAndAtTheList) {
    if (BuiltWithAddressSanitizer()) {
        GTEST_SKIP() << "RLIMIT_AS cannot be used under AddressSanitizer, whose shadow memory "
                        "reserves terabytes of address space; these rows run in the normal build";
    }
    constexpr std::size_t kMiB = 1 << 20;
    const std::size_t table = static_cast<std::size_t>(kMaxUpperBound) + 11;
    const AddressSpaceRow rows[] = {
        // Nothing pushed, nothing created: the state line keeps its old text.
        {"the table", 64 * kMiB,
         "exception=bad_alloc\ncalls=Pull\nstates=\ncount=\nfiles=\nshown state=入力待ち"},
        // The list (25 MB) does not fit beside the table: "処理中" stays shown
        // and the empty "debug.txt" remains.
        {"the list", table + 12 * kMiB,
         "exception=bad_alloc\ncalls=Pull,Push\nstates=処理中\ncount=\nfiles=debug.txt=empty\n"
         "shown state=処理中"},
    };
    // 20 MB of table and 5 MB of list: more than the 12 MB a leaked table
    // would leave, far less than the headroom otherwise.
    const std::string next = RecordedRun::Reported(
        Succeeded("2-20000000.txt"), kAllStates, "1270607", "2-20000000.txt=list debug.txt=empty");

    for (const AddressSpaceRow& row : rows) {
        SCOPED_TRACE(row.where);
        TempWorkDir dir;
        const std::string report = RunInChild([&row] {
            const std::string limited = LimitAddressSpace(row.headroom);
            if (!limited.empty()) {
                return "setup: " + limited;
            }
            std::string report;
            {
                RecordedRun run(std::to_string(kMaxUpperBound));
                try {
                    run.Start();
                    report = "exception=none";
                } catch (const std::bad_alloc&) {
                    report = "exception=bad_alloc";
                }
                report += "\n" + run.Report() + "\nshown state=" + run.host.controls.m_strState;
            }
            RecordedRun again("20000000");
            again.Start();
            return report + "\n--\n" + again.Report();
        });
        EXPECT_EQ(report, row.failed + "\n--\n" + next);
    }
}

}  // namespace
