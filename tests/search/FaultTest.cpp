// Every way the two output files can fail, and every odd bound, through the
// whole run with a recording host. Each row gets a fresh working directory;
// rows that change the process (identity, resource limits) run in a child.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ListFile.h"
#include "PrimeSieve.h"
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

// The first failure of setup steps given in order (a braced list is evaluated
// left to right), or "" when all succeeded.
std::string First(std::initializer_list<std::string> steps) {
    for (const std::string& s : steps) {
        if (!s.empty()) {
            return s;
        }
    }
    return "";
}

std::string MakeDir(const char* name) {
    std::error_code ec;
    return fs::create_directory(name, ec) ? "" : std::string("cannot create directory ") + name;
}

std::string WriteFile(const char* name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
    out.close();
    return out ? "" : std::string("cannot write ") + name;
}

std::string Chown(const char* name, const Unprivileged& who) {
    return ::chown(name, who.uid, who.gid) == 0 ? "" : std::string("cannot chown ") + name;
}

std::string Chmod(const char* name, mode_t mode) {
    return ::chmod(name, mode) == 0 ? "" : std::string("cannot chmod ") + name;
}

// "" when `name` cannot be opened for writing (as the child now is), else why
// the row's fault is not in place.
std::string MustNotOpenForWriting(const char* name, int extraFlags) {
    const int fd = ::open(name, O_WRONLY | extraFlags, 0666);
    if (fd < 0) {
        return errno == EACCES ? "" : std::string(name) + ": " + std::strerror(errno);
    }
    ::close(fd);
    if (extraFlags & O_CREAT) {
        ::unlink(name);
    }
    return std::string(name) + " can be opened for writing: the fault is not in place";
}

// Bytes of the list body for `n`, written by the list writer into a scratch
// file: where a file-size limit must fall to cut the footer, not the body.
rlim_t BodyBytes(std::int32_t n) {
    TempWorkDir scratch;
    PrimeSieve sieve;
    sieve.Prepare(n);
    const PrimeList list = sieve.MarkAndCollect();
    TextFileStream stream("body");
    WritePrimeList(stream, list);
    stream.Close();
    return fs::file_size("body");
}

struct FaultRow {
    const char* fault;
    std::string upper;
    bool unprivileged;  // run as "nobody", so permission bits bind
    // Builds the fault in the fresh working directory, as root: "" or why not.
    std::function<std::string(const Unprivileged&)> arrange;
    // In the child, as the user the run has: "" if the fault is really there.
    std::function<std::string()> probe;
    rlim_t fileSizeLimit;  // RLIM_INFINITY: none
    std::string expected;
};

const auto kNothing = [](const Unprivileged&) { return std::string(); };
const auto kNoProbe = [] { return std::string(); };

TEST(FaultTest, EveryFileFaultEndsInTheRightMessageAndLeavesNoBrokenList) {
    Unprivileged nobody{};
    ASSERT_TRUE(FindNobody(nobody)) << "no user \"nobody\": the permission rows cannot be set up";
    const std::string list100 = "2-100.txt";
    const std::string listBig = "2-100000.txt";
    const rlim_t body = BodyBytes(100000);
    // Footer lines of the n = 100000 run: "", count 9592, then the two times.
    const rlim_t countLine = 6 + 4 + 6 + 2;
    const rlim_t timeLabel = list_labels::kProcessingTime.size();
    const rlim_t lastLabel = list_labels::kFileOutputTime.size();

    const FaultRow rows[] = {
        {"working directory not writable", "100", true,
         [](const Unprivileged&) { return Chmod(".", 0755); },
         [] { return MustNotOpenForWriting("probe", O_CREAT); }, RLIM_INFINITY,
         Expected(FailedToWrite(list100), kAllStates, "25", "")},
        {"read-only list file of the same name", "100", true,
         [](const Unprivileged& who) {
             return First({Chown(".", who), WriteFile("2-100.txt", "an earlier list"),
                           Chown("2-100.txt", who), Chmod("2-100.txt", 0444)});
         },
         [] { return MustNotOpenForWriting("2-100.txt", 0); }, RLIM_INFINITY,
         Expected(FailedToWrite(list100), kAllStates, "25",
                  "2-100.txt='an earlier list' debug.txt=empty")},
        {"directory at the list file's name, debug.txt with content", "100", false,
         [](const Unprivileged&) {
             return First({WriteFile("debug.txt", "left over"), MakeDir("2-100.txt")});
         },
         kNoProbe, RLIM_INFINITY,
         Expected(FailedToWrite(list100), kAllStates, "25", "2-100.txt=dir debug.txt=empty")},
        {"disk full (the list file's name links to /dev/full)", "100", false,
         [](const Unprivileged&) {
             return fs::is_character_file("/dev/full") && ::symlink("/dev/full", "2-100.txt") == 0
                        ? std::string()
                        : std::string("cannot link 2-100.txt to /dev/full");
         },
         kNoProbe, RLIM_INFINITY,
         Expected(FailedToWrite(list100), kAllStates, "25", "debug.txt=empty")},
        // "debug.txt" is never written, and its open stays unchecked: the run
        // goes on and the list file is complete.
        {"read-only debug.txt with content", "100", true,
         [](const Unprivileged& who) {
             return First({Chown(".", who), WriteFile("debug.txt", "left over"),
                           Chown("debug.txt", who), Chmod("debug.txt", 0444)});
         },
         [] { return MustNotOpenForWriting("debug.txt", 0); }, RLIM_INFINITY,
         Expected(Succeeded(list100), kAllStates, "25", "2-100.txt=list debug.txt='left over'")},
        {"directory at debug.txt", "100", false,
         [](const Unprivileged&) { return MakeDir("debug.txt"); }, kNoProbe, RLIM_INFINITY,
         Expected(Succeeded(list100), kAllStates, "25", "2-100.txt=list debug.txt=dir")},
        {"file-size limit at the end of the body", "100000", false, kNothing, kNoProbe, body,
         Expected(FailedToWrite(listBig), kAllStates, "9592", "debug.txt=empty")},
        {"file-size limit inside the count line", "100000", false, kNothing, kNoProbe, body + 2 + 8,
         Expected(FailedToWrite(listBig), kAllStates, "9592", "debug.txt=empty")},
        // At the latest where the last line's number starts; earlier if the
        // processing time has more than one digit.
        {"file-size limit in the footer's last line", "100000", false, kNothing, kNoProbe,
         body + 2 + countLine + timeLabel + 1 + 2 + lastLabel,
         Expected(FailedToWrite(listBig), kAllStates, "9592", "debug.txt=empty")},
    };

    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.fault);
        TempWorkDir dir;
        const std::string arranged = row.arrange(nobody);
        ASSERT_EQ(arranged, "") << "the fault could not be set up";
        const std::string report = RunInChild([&row, &nobody] {
            if (row.unprivileged) {
                const std::string dropped = DropTo(nobody);
                if (!dropped.empty()) {
                    return "setup: " + dropped;
                }
            }
            const std::string missing = row.probe();
            if (!missing.empty()) {
                return "setup: " + missing;
            }
            if (row.fileSizeLimit != RLIM_INFINITY) {
                ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG
                const std::string limited = SetSoftLimit(RLIMIT_FSIZE, row.fileSizeLimit);
                if (!limited.empty()) {
                    return "setup: " + limited;
                }
            }
            Session session(row.upper);
            session.Start();
            return session.Report();
        });
        EXPECT_EQ(report, row.expected);
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

// Bound texts beyond the plain ones: saturation at both ends, texts without
// digits, digit strings far longer than any number.
TEST(FaultTest, OddBoundTexts) {
    const std::string tooLarge = "Pull,Message:範囲が大きすぎます";
    const std::string invalid = "Pull,Message:範囲が不当です";
    const BoundRow rows[] = {
        {"2147483647", tooLarge},
        {std::string(100000, '9'), tooLarge},
        {std::string(100000, '1'), tooLarge},
        {" ", invalid},
        {"+", invalid},
        {"-", invalid},
        {"-" + std::string(100000, '9'), invalid},
        {"\t\r\n\v\f", invalid},
        {"\xEF\xBC\x91\xEF\xBC\x90\xEF\xBC\x90", invalid},  // "１００" in UTF-8
        {"٣", invalid},                                     // Arabic-Indic three
        {std::string("\0"
                     "100",
                     4),
         invalid},
        {std::string(100000, '0') + "100", Succeeded("2-100.txt")},
        {"\t\n 100\xE3\x80\x80", Succeeded("2-100.txt")},  // full-width space after
        {"2\xEF\xBC\x90", Succeeded("2-2.txt")},           // "2" then full-width 0
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
