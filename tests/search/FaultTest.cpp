// Every way the two output files can fail, and every odd bound, through the
// whole run with a recording host. Each row gets a fresh working directory;
// rows that change the process (identity, resource limits) run in a child.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <new>
#include <string>

#include "ChildProcess.h"
#include "FileFaults.h"
#include "ProcessLimits.h"
#include "RecordingHost.h"
#include "RunSearch.h"
#include "SearchLimits.h"
#include "TempWorkDir.h"
#include "Unprivileged.h"
#include "WorkDirListing.h"

namespace fs = std::filesystem;

namespace {

// A host whose "controls" show a freshly started dialog with `upper` typed in.
struct Session {
    DialogFields fields;
    RecordingHost host{fields};
    explicit Session(const std::string& upper) {
        host.controls.m_strUpper = upper;
        host.controls.m_strLower = "2";
        host.controls.m_strState = "入力待ち";
    }
    void Start() { RunSearch(fields, host); }

    // "calls=... states=... count=... files=..." as the user and the disk see it.
    std::string Report() const {
        std::string calls;
        for (const std::string& c : host.calls) {
            calls += (calls.empty() ? "" : ",") + c;
        }
        std::string states;
        for (const DialogFields& p : host.pushes) {
            states += (states.empty() ? "" : ",") + p.m_strState;
        }
        return "calls=" + calls + "\nstates=" + states + "\ncount=" + host.controls.m_strCount +
               "\nfiles=" + ListWorkDir(host.controls);
    }
};

std::string Expected(const std::string& calls, const std::string& states, const std::string& count,
                     const std::string& files) {
    return "calls=" + calls + "\nstates=" + states + "\ncount=" + count + "\nfiles=" + files;
}

const std::string kAllStates = "処理中,ファイル出力中,入力待ち";

std::string Succeeded(const std::string& name) {
    return "Pull,Push,Push,Open:" + name + ",Push";
}
std::string FailedToWrite(const std::string& name) {
    return "Pull,Push,Push,Push,Message:ファイル " + name + " を書き込めませんでした";
}

using file_faults::AllFileFaults;
using file_faults::FileFault;

TEST(FaultTest, EveryFileFaultEndsInTheRightMessageAndLeavesNoBrokenList) {
    Unprivileged nobody{};
    ASSERT_TRUE(FindNobody(nobody)) << "no user \"nobody\": the permission rows cannot be set up";
    for (const FileFault& row : AllFileFaults()) {
        SCOPED_TRACE(row.fault);
        TempWorkDir dir;
        ASSERT_EQ(row.arrange(nobody), "") << "the fault could not be set up";
        const std::string report = file_faults::RunUnderFault(row, nobody, [&row] {
            Session session(row.typed);
            session.Start();
            return session.Report();
        });
        const std::string calls =
            row.listWritten ? Succeeded(row.ListName()) : FailedToWrite(row.ListName());
        EXPECT_EQ(report, Expected(calls, kAllStates, row.count, row.files));
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
    const std::string next = Expected(Succeeded("2-20000000.txt"), kAllStates, "1270607",
                                      "2-20000000.txt=list debug.txt=empty");

    for (const AddressSpaceRow& row : rows) {
        SCOPED_TRACE(row.where);
        TempWorkDir dir;
        const std::string report = RunInChild([&row] {
            const std::size_t inUse = AddressSpaceInUse();
            if (inUse == 0) {
                return std::string("setup: cannot read VmSize");
            }
            const std::string limited = SetSoftLimit(RLIMIT_AS, inUse + row.headroom);
            if (!limited.empty()) {
                return "setup: " + limited;
            }
            std::string report;
            {
                Session session(std::to_string(kMaxUpperBound));
                try {
                    session.Start();
                    report = "exception=none";
                } catch (const std::bad_alloc&) {
                    report = "exception=bad_alloc";
                }
                report +=
                    "\n" + session.Report() + "\nshown state=" + session.host.controls.m_strState;
            }
            Session again("20000000");
            again.Start();
            return report + "\n--\n" + again.Report();
        });
        EXPECT_EQ(report, row.failed + "\n--\n" + next);
    }
}

struct BoundRow {
    std::string text;
    std::string calls;
};

// The bound texts of the fault list that the run tests do not already try;
// the parser's own tests and its fuzz corpus cover the rest of the alphabet.
TEST(FaultTest, OddBoundTexts) {
    const std::string tooLarge = "Pull,Message:範囲が大きすぎます";
    const std::string invalid = "Pull,Message:範囲が不当です";
    const BoundRow rows[] = {
        {"2147483647", tooLarge}, {std::string(100000, '9'), tooLarge},
        {" ", invalid},           {"+", invalid},
        {"-", invalid},           {std::string(100000, '0') + "100", Succeeded("2-100.txt")},
    };
    for (const BoundRow& row : rows) {
        SCOPED_TRACE("text: \"" + row.text.substr(0, 40) + "\" (" +
                     std::to_string(row.text.size()) + " bytes)");
        TempWorkDir dir;
        Session session(row.text);
        session.Start();
        std::string calls;
        for (const std::string& c : session.host.calls) {
            calls += (calls.empty() ? "" : ",") + c;
        }
        EXPECT_EQ(calls, row.calls);
        EXPECT_EQ(session.host.controls.m_strUpper, row.text);
        if (row.calls.find("Message") != std::string::npos) {
            EXPECT_TRUE(fs::is_empty(dir.path())) << "a rejected bound created a file";
        }
    }
}

}  // namespace
