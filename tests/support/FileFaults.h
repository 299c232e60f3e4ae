#pragma once

// The faults the two output files can meet: one table, run by the search tests
// (the run with a recording host: calls, states, what is left on disk) and by
// the dialog tests (the real dialog: the message box, and that it stays
// usable). Each row builds its fault in a fresh working directory; the run
// happens in a child process, which can become the test user and lower its
// own limits without touching the test process.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ListFile.h"
#include "PrimeSieve.h"
#include "ProcessLimits.h"
#include "TempWorkDir.h"
#include "TestUser.h"

namespace file_faults {

// The first failure of setup steps given in order (a braced list is evaluated
// left to right), or "" when all succeeded.
inline std::string First(std::initializer_list<std::string> steps) {
    for (const std::string& s : steps) {
        if (!s.empty()) {
            return s;
        }
    }
    return "";
}

inline std::string Failed(const std::string& what, const char* name) {
    return what + " " + name + ": " + std::strerror(errno);
}

inline std::string MakeDir(const char* name) {
    return ::mkdir(name, 0777) == 0 ? "" : Failed("cannot create directory", name);
}

inline std::string MakeFifo(const char* name) {
    return ::mkfifo(name, 0666) == 0 ? "" : Failed("cannot make a named pipe", name);
}

inline std::string MakeLink(const char* target, const char* name) {
    return ::symlink(target, name) == 0 ? "" : Failed("cannot link", name);
}

inline std::string WriteFile(const char* name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
    out.close();
    return out ? "" : std::string("cannot write ") + name;
}

// Makes `who` the owner of `name`; nothing to do when `who` is the caller.
inline std::string GiveTo(const char* name, const TestUser& who) {
    if (::geteuid() == who.uid) {
        return "";
    }
    return ::chown(name, who.uid, who.gid) == 0 ? "" : Failed("cannot chown", name);
}

inline std::string Chmod(const char* name, mode_t mode) {
    return ::chmod(name, mode) == 0 ? "" : Failed("cannot chmod", name);
}

// "" when `name` cannot be opened for writing by the process as it now is,
// else why the row's fault is not in place.
inline std::string MustNotOpenForWriting(const char* name, int extraFlags) {
    const int fd = ::open(name, O_WRONLY | extraFlags, 0666);
    if (fd < 0) {
        return errno == EACCES ? "" : std::string(name) + ": " + std::strerror(errno);
    }
    ::close(fd);
    if ((extraFlags & O_CREAT) != 0) {
        ::unlink(name);
    }
    return std::string(name) + " can be opened for writing: the fault is not in place";
}

// Bytes of the list body for `n`, written by the list writer into a scratch
// file: where a file-size limit must fall to cut the body.
inline rlim_t BodyBytes(std::int32_t n) {
    TempWorkDir scratch;
    PrimeSieve sieve;
    sieve.Prepare(n);
    const PrimeList list = sieve.MarkAndCollect();
    TextFileStream stream("body");
    WritePrimeList(stream, list);
    stream.Close();
    return std::filesystem::file_size("body");
}

// Opens `name` and holds its lock, as an instance writing it does, until the
// process ends.
inline std::string HoldAsAnotherInstance(const char* name) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Failed("cannot open", name);
    }
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? "" : Failed("cannot lock", name);
}

enum class ListOutcome { kWritten, kFailed, kInUse };

struct FileFault {
    const char* fault;
    std::int32_t n;   // the bound typed
    bool asTestUser;  // permission bits must bind (see TestUser)
    // In the fresh working directory, in the test process: "" or why not.
    std::function<std::string(const TestUser&)> arrange;
    // In the child, as the run's user, right before the run: "" or why the
    // fault is not in place.
    std::function<std::string()> inChild;
    // While the run goes on: after its push number `push` (1, 2 or 3).
    std::function<void(int push)> atPush;
    rlim_t fileSizeLimit;  // RLIM_INFINITY: none
    int freeDescriptors;   // below the descriptor limit; -1: no limit
    // What must come of it: the list file written (and offered to the
    // viewer), reported as not written, or as being written by another
    // instance; and the working directory afterwards as ListWorkDir
    // describes it.
    ListOutcome outcome;
    std::string files;

    std::string ListName() const { return MakeListFileName(n); }
    std::string Count() const {
        return n == 100 ? "25" : n == 100000 ? "9592" : n == 1000000 ? "78498" : "?";
    }
};

// The faults only a real kernel shows: permissions, what can sit at a name,
// limits, signals raised by writes, links and other processes. Where in the
// files a write or a close fails is the scripted layer's (FaultTest).
inline std::vector<FileFault> AllFileFaults() {
    using enum ListOutcome;
    const auto nothing = [](const TestUser&) { return std::string(); };
    const auto inPlace = [] { return std::string(); };
    const auto noEvent = [](int) {};
    const rlim_t body = BodyBytes(100000);
    const rlim_t none = RLIM_INFINITY;
    // The read end of a named pipe, opened in the child.
    const auto reader = std::make_shared<int>(-1);
    const auto openReader = [reader] {
        *reader = ::open("2-100.txt", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        return *reader >= 0 ? "" : Failed("cannot open the reading end of", "2-100.txt");
    };
    return {
        {"working directory not writable", 100, true,
         [](const TestUser&) { return Chmod(".", 0555); },
         [] { return MustNotOpenForWriting("probe", O_CREAT); }, noEvent, none, -1, kFailed, ""},
        {"read-only list file of the same name", 100, true,
         [](const TestUser& who) {
             return First({GiveTo(".", who), WriteFile("2-100.txt", "an earlier list"),
                           GiveTo("2-100.txt", who), Chmod("2-100.txt", 0444)});
         },
         [] { return MustNotOpenForWriting("2-100.txt", 0); }, noEvent, none, -1, kFailed,
         "2-100.txt='an earlier list' debug.txt=empty"},
        {"directory at the list file's name, debug.txt with content", 100, false,
         [](const TestUser&) {
             return First({WriteFile("debug.txt", "left over"), MakeDir("2-100.txt")});
         },
         inPlace, noEvent, none, -1, kFailed, "2-100.txt=dir debug.txt=empty"},
        // The same name is replaced whole, another bound's list is kept.
        {"debug.txt with content, list files of earlier runs", 100, false,
         [](const TestUser&) {
             return First({WriteFile("debug.txt", "left over"),
                           WriteFile("2-100.txt", std::string(5000, 'x')),
                           WriteFile("2-20.txt", "an earlier run")});
         },
         inPlace, noEvent, none, -1, kWritten,
         "2-100.txt=list 2-20.txt='an earlier run' debug.txt=empty"},
        // Another instance writing the list keeps it: nothing is truncated.
        {"the list file being written by another instance", 100, false,
         [](const TestUser&) { return WriteFile("2-100.txt", "another instance's list"); },
         [] { return HoldAsAnotherInstance("2-100.txt"); }, noEvent, none, -1, kInUse,
         "2-100.txt='another instance's list' debug.txt=empty"},
        // The link is not the run's file and stays; a device cannot be emptied.
        {"disk full (the list file's name links to /dev/full)", 100, false,
         [](const TestUser&) { return MakeLink("/dev/full", "2-100.txt"); }, inPlace, noEvent, none,
         -1, kFailed, "2-100.txt=link debug.txt=empty"},
        // "debug.txt" is never written and its open stays unchecked: the run
        // goes on and the list file is complete.
        {"read-only debug.txt with content", 100, true,
         [](const TestUser& who) {
             return First({GiveTo(".", who), WriteFile("debug.txt", "left over"),
                           GiveTo("debug.txt", who), Chmod("debug.txt", 0444)});
         },
         [] { return MustNotOpenForWriting("debug.txt", 0); }, noEvent, none, -1, kWritten,
         "2-100.txt=list debug.txt='left over'"},
        // Opening it to write must not wait for a reader, or the run and the
        // dialog would hang for good.
        {"named pipe at the list file's name, nobody reading", 100, false,
         [](const TestUser&) { return MakeFifo("2-100.txt"); }, inPlace, noEvent, none, -1, kFailed,
         "2-100.txt=fifo debug.txt=empty"},
        // The first line meets a pipe without reader: SIGPIPE must not end
        // the process.
        {"named pipe at the list file's name, its reader gone before the first line", 100, false,
         [](const TestUser&) { return MakeFifo("2-100.txt"); }, openReader,
         [reader](int push) {
             if (push == 2) {
                 ::close(*reader);
             }
         },
         none, -1, kFailed, "2-100.txt=fifo debug.txt=empty"},
        // A reader that holds the pipe open and takes nothing: the write gives
        // up after a while instead of freezing the dialog until it closes.
        // (The list at 10^6 is far larger than a pipe holds.)
        {"named pipe at the list file's name, its reader never reading", 1000000, false,
         [](const TestUser&) { return MakeFifo("2-1000000.txt"); },
         [reader] {
             *reader = ::open("2-1000000.txt", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
             return *reader >= 0 ? "" : Failed("cannot open the reading end of", "2-1000000.txt");
         },
         noEvent, none, -1, kFailed, "2-1000000.txt=fifo debug.txt=empty"},
        {"named pipe at debug.txt", 100, false,
         [](const TestUser&) { return MakeFifo("debug.txt"); }, inPlace, noEvent, none, -1,
         kWritten, "2-100.txt=list debug.txt=fifo"},
        {"working directory removed", 100, false,
         [](const TestUser&) {
             std::error_code ec;
             return std::filesystem::remove(std::filesystem::current_path(), ec)
                        ? std::string()
                        : "cannot remove the working directory: " + ec.message();
         },
         inPlace, noEvent, none, -1, kFailed, ""},
        {"directory at debug.txt", 100, false, [](const TestUser&) { return MakeDir("debug.txt"); },
         inPlace, noEvent, none, -1, kWritten, "2-100.txt=list debug.txt=dir"},
        // SIGXFSZ must not end the process.
        {"file-size limit in the middle of the body", 100000, false, nothing, inPlace, noEvent,
         body / 2, -1, kFailed, "debug.txt=empty"},
        // The file may be written but not removed: it is emptied instead.
        {"list file that cannot be removed (directory not writable), the write cut short", 100000,
         true,
         [](const TestUser& who) {
             return First({GiveTo(".", who), WriteFile("2-100000.txt", "an earlier list"),
                           WriteFile("debug.txt", ""), GiveTo("2-100000.txt", who),
                           GiveTo("debug.txt", who), Chmod(".", 0555)});
         },
         [] { return MustNotOpenForWriting("probe", O_CREAT); }, noEvent, body / 2, -1, kFailed,
         "2-100000.txt=empty debug.txt=empty"},
        // The link stays; the file behind it, which the run wrote, is emptied.
        {"symbolic link at the list file's name, the write cut short", 100000, false,
         [](const TestUser&) {
             return First({WriteFile("elsewhere.txt", "an earlier list"),
                           MakeLink("elsewhere.txt", "2-100000.txt")});
         },
         inPlace, noEvent, body / 2, -1, kFailed,
         "2-100000.txt=link debug.txt=empty elsewhere.txt=empty"},
        // Removing one name would leave the cut list under the other.
        {"hard link at the list file's name, the write cut short", 100000, false,
         [](const TestUser&) {
             return First({WriteFile("other.txt", "an earlier list"),
                           ::link("other.txt", "2-100000.txt") == 0
                               ? ""
                               : Failed("cannot link", "2-100000.txt")});
         },
         inPlace, noEvent, body / 2, -1, kFailed,
         "2-100000.txt=empty debug.txt=empty other.txt=empty"},
        // Another program's file at the name is not the run's to remove.
        {"a file put at the list file's name during the run, the write cut short", 100000, false,
         [](const TestUser&) { return WriteFile("other.txt", "put there since"); }, inPlace,
         [](int push) {
             if (push == 2) {
                 std::rename("other.txt", "2-100000.txt");
             }
         },
         body / 2, -1, kFailed, "2-100000.txt='put there since' debug.txt=empty"},
        // One descriptor left: "debug.txt" may take it, the list file cannot.
        {"descriptor limit with one left for the two files", 100, false, nothing, inPlace, noEvent,
         none, 1, kFailed, "debug.txt=empty"},
    };
}

// Why `fault` cannot run in this build, or null. With no descriptor left the
// sanitizers' own checks fail (UndefinedBehaviorSanitizer needs a pipe to
// test memory), so the descriptor rows run in the normal build only.
inline const char* NotRunInThisBuild(const FileFault& fault) {
    return fault.freeDescriptors >= 0 && BuiltWithAddressSanitizer()
               ? "the sanitizers need descriptors of their own"
               : nullptr;
}

// In the child, right before the run: becomes the test user if the row asks,
// checks the fault is in place, restores SIGPIPE and SIGXFSZ to their default
// (fatal) action unblocked, so a write that raised either would end the child,
// and lowers the limits. Returns "" or a line starting "setup:".
inline std::string EnterFault(const FileFault& fault, const TestUser& who) {
    if (fault.asTestUser) {
        const std::string became = BecomeTestUser(who);
        if (!became.empty()) {
            return "setup: " + became;
        }
    }
    const std::string missing = fault.inChild();
    if (!missing.empty()) {
        return "setup: " + missing;
    }
    sigset_t writeSignals;
    sigemptyset(&writeSignals);
    sigaddset(&writeSignals, SIGPIPE);
    sigaddset(&writeSignals, SIGXFSZ);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    ::sigprocmask(SIG_UNBLOCK, &writeSignals, nullptr);
    std::string limited;
    if (fault.fileSizeLimit != RLIM_INFINITY) {
        limited = SetSoftLimit(RLIMIT_FSIZE, fault.fileSizeLimit);
    }
    if (limited.empty() && fault.freeDescriptors >= 0) {
        limited = SetSoftLimit(RLIMIT_NOFILE, DescriptorLimitLeaving(fault.freeDescriptors));
    }
    return limited.empty() ? "" : "setup: " + limited;
}

}  // namespace file_faults
