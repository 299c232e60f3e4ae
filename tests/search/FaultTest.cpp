// The file faults, requests to end the process and memory exhaustion through
// the whole run with a recording host: the calls the dialog would see, the
// states it would show, and what is left on disk. The kernel's faults get a
// fresh working directory each and run in a child; where in the files a write
// or a close fails is scripted, in memory.

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <new>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "FileFaults.h"
#include "ProcessLimits.h"
#include "RecordingHost.h"
#include "ScriptedFiles.h"
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
            row.outcome == file_faults::ListOutcome::kWritten ? Succeeded(row.ListName())
            : row.outcome == file_faults::ListOutcome::kInUse ? FoundInUse(row.ListName())
                                                              : FailedToWrite(row.ListName());
        EXPECT_EQ(report, RecordedRun::Reported(calls, kAllStates, row.Count(), row.files));
    }
}

struct ScriptedRow {
    const char* where;
    ScriptedFiles::Fault fault;
    std::string calls;
    std::string files;  // as ScriptedFiles::Listing gives them
};

// Every point at which a file can fail, at n = 100000: a failed list is never
// offered to the viewer, is reported, and is gone; "debug.txt" is not checked.
TEST(FaultTest, EveryFailurePointOfTheFilesEndsInTheRightMessage) {
    const std::string list = "2-100000.txt";
    const std::size_t body = [] {
        ScriptedFiles files;
        RecordedRun run("100000");
        run.Start(files);
        return files.contents["2-100000.txt"].size() - ExpectedFooter(run.fields).size();
    }();
    // The footer: a line end, the count line (9592), the processing time
    // line, the file output time line.
    const std::size_t countLine =
        list_labels::kCountBefore.size() + 4 + list_labels::kCountAfter.size() + 2;
    const std::size_t lastLine = body + 2 + countLine + list_labels::kProcessingTime.size() + 1 +
                                 2 + list_labels::kFileOutputTime.size();
    const std::string failed = FailedToWrite(list);
    const ScriptedRow rows[] = {
        {"the list cannot be created", {list, OpenFailure::kFailed}, failed, "debug.txt=empty"},
        {"the list is being written by another instance",
         {list, OpenFailure::kInUse},
         FoundInUse(list),
         "debug.txt=empty"},
        {"debug.txt cannot be created",
         {"debug.txt", OpenFailure::kFailed},
         Succeeded(list),
         list + "=list"},
        {"the list's first line", {list, OpenFailure::kNone, 0}, failed, "debug.txt=empty"},
        {"the middle of the body", {list, OpenFailure::kNone, body / 2}, failed, "debug.txt=empty"},
        {"the end of the body", {list, OpenFailure::kNone, body}, failed, "debug.txt=empty"},
        {"inside the count line",
         {list, OpenFailure::kNone, body + 2 + 8},
         failed,
         "debug.txt=empty"},
        {"the footer's last line", {list, OpenFailure::kNone, lastLine}, failed, "debug.txt=empty"},
        // Only the close can tell, and it comes after the viewer request.
        {"the list's close",
         {list, OpenFailure::kNone, ScriptedFiles::kNoLimit, true},
         "Pull,Push,Push,Open:" + list + ",Push,Message:ファイル " + list +
             " を書き込めませんでした",
         "debug.txt=empty"},
        {"the close of debug.txt",
         {"debug.txt", OpenFailure::kNone, ScriptedFiles::kNoLimit, true},
         Succeeded(list),
         list + "=list debug.txt=empty"},
    };
    for (const ScriptedRow& row : rows) {
        SCOPED_TRACE(row.where);
        ScriptedFiles files(row.fault);
        RecordedRun run("100000");
        run.Start(files);
        EXPECT_EQ(run.Report(files.Listing(run.host.controls)),
                  RecordedRun::Reported(row.calls, kAllStates, "9592", row.files));
    }
}

struct EndRow {
    const char* what;
    int signal;
    int push;           // sent by the run's own process after this push
    int then;           // a second one sent right after it, 0 for none
    bool otherThread;   // another thread that could take it
    std::string files;  // what is left, "viewer" if the viewer was asked
};

// A request to end the process (logout, Ctrl-C, a closed terminal) ends it
// with that signal's status. While the list is written it waits until the
// files are done, and no viewer is asked for then; before, it acts at once.
TEST(FaultTest, ARequestToEndTheProcessNeverLeavesAListCutShort) {
    const EndRow rows[] = {
        {"SIGTERM while the list is written", SIGTERM, 2, 0, false,
         "2-100000.txt=list debug.txt=empty"},
        {"SIGINT while the list is written", SIGINT, 2, 0, false,
         "2-100000.txt=list debug.txt=empty"},
        {"SIGHUP while the list is written, another thread running", SIGHUP, 2, 0, true,
         "2-100000.txt=list debug.txt=empty"},
        // Ctrl-C pressed twice: the list is still finished before the process ends.
        {"SIGINT twice while the list is written", SIGINT, 2, SIGINT, false,
         "2-100000.txt=list debug.txt=empty"},
        {"SIGTERM while sieving", SIGTERM, 1, 0, false, ""},
    };
    for (const EndRow& row : rows) {
        SCOPED_TRACE(row.what);
        TempWorkDir dir;
        // The child ends by the signal, so what it showed goes to a file.
        const std::string shownFile = (dir.path().parent_path() / "shown").string();
        const std::string report = RunInChild([&row, &shownFile] {
            if (row.otherThread) {
                std::thread([] { std::this_thread::sleep_for(std::chrono::minutes(1)); }).detach();
            }
            RecordedRun run("100000");
            run.host.atPush = [&row, &run, &shownFile](int push) {
                if (push == row.push) {
                    ::kill(::getpid(), row.signal);
                    if (row.then != 0) {
                        ::kill(::getpid(), row.then);
                    }
                }
                if (push == 3) {
                    std::ofstream out(shownFile);
                    out << run.host.controls.m_strCount << ' ' << run.host.controls.m_strElapsed
                        << ' ' << run.host.controls.m_strFileTime << " calls=";
                    for (const std::string& call : run.host.calls) {
                        out << (&call == run.host.calls.data() ? "" : ",") << call;
                    }
                }
            };
            run.Start();
            return std::string("the run returned");
        });
        DialogFields shown;
        std::string calls;
        std::ifstream(shownFile) >> shown.m_strCount >> shown.m_strElapsed >> shown.m_strFileTime >>
            calls;
        std::remove(shownFile.c_str());
        EXPECT_EQ(report, "\nchild: killed by signal " + std::to_string(row.signal));
        EXPECT_EQ(ListWorkDir(shown), row.files);
        if (row.push == 2) {
            EXPECT_EQ(calls, "calls=Pull,Push,Push,Push") << "no viewer for an ending process";
        }
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
