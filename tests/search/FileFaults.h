#pragma once

// The faults the two output files can meet, as one table shared by the search
// tests (recording host) and the dialog tests (the real dialog): each row
// builds its fault in a fresh working directory and runs in a child process,
// which can drop to an unprivileged user and lower its own limits without
// touching the test process.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ListFile.h"
#include "PrimeSieve.h"
#include "ProcessLimits.h"
#include "TempWorkDir.h"
#include "Unprivileged.h"

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

inline std::string MakeDir(const char* name) {
    std::error_code ec;
    return std::filesystem::create_directory(name, ec)
               ? ""
               : std::string("cannot create directory ") + name;
}

inline std::string MakeFifo(const char* name) {
    return ::mkfifo(name, 0666) == 0 ? "" : std::string("cannot make a named pipe ") + name;
}

inline std::string WriteFile(const char* name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
    out.close();
    return out ? "" : std::string("cannot write ") + name;
}

inline std::string Chown(const char* name, const Unprivileged& who) {
    return ::chown(name, who.uid, who.gid) == 0 ? "" : std::string("cannot chown ") + name;
}

inline std::string Chmod(const char* name, mode_t mode) {
    return ::chmod(name, mode) == 0 ? "" : std::string("cannot chmod ") + name;
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
// file: where a file-size limit must fall to cut the footer, not the body.
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

struct FileFault {
    const char* fault;
    std::string typed;  // the bound typed before the run
    bool unprivileged;  // run as "nobody", so permission bits bind
    // Builds the fault in the fresh working directory, as root: "" or why not.
    std::function<std::string(const Unprivileged&)> arrange;
    // In the child, as the user the run has: "" if the fault is really there.
    std::function<std::string()> probe;
    rlim_t fileSizeLimit;  // RLIM_INFINITY: none
    // What must come of it: whether the list file is written (and offered to
    // the viewer) or reported as not written, the count shown, and the
    // working directory afterwards as ListWorkDir describes it.
    bool listWritten;
    std::string count;
    std::string files;

    std::string ListName() const { return "2-" + std::to_string(std::stoi(typed)) + ".txt"; }
};

inline std::vector<FileFault> AllFileFaults() {
    const auto none = [](const Unprivileged&) { return std::string(); };
    const auto noProbe = [] { return std::string(); };
    const rlim_t body = BodyBytes(100000);
    // The footer of the n = 100000 run: a line end, the count line (9592),
    // the processing time line, the file output time line.
    const rlim_t countLine =
        list_labels::kCountBefore.size() + 4 + list_labels::kCountAfter.size() + 2;
    const rlim_t timeLabel = list_labels::kProcessingTime.size();
    const rlim_t lastLabel = list_labels::kFileOutputTime.size();
    return {
        {"working directory not writable", "100", true,
         [](const Unprivileged&) { return Chmod(".", 0755); },
         [] { return MustNotOpenForWriting("probe", O_CREAT); }, RLIM_INFINITY, false, "25", ""},
        {"read-only list file of the same name", "100", true,
         [](const Unprivileged& who) {
             return First({Chown(".", who), WriteFile("2-100.txt", "an earlier list"),
                           Chown("2-100.txt", who), Chmod("2-100.txt", 0444)});
         },
         [] { return MustNotOpenForWriting("2-100.txt", 0); }, RLIM_INFINITY, false, "25",
         "2-100.txt='an earlier list' debug.txt=empty"},
        {"directory at the list file's name, debug.txt with content", "100", false,
         [](const Unprivileged&) {
             return First({WriteFile("debug.txt", "left over"), MakeDir("2-100.txt")});
         },
         noProbe, RLIM_INFINITY, false, "25", "2-100.txt=dir debug.txt=empty"},
        {"debug.txt with content, list file of an earlier run", "100", false,
         [](const Unprivileged&) {
             return First({WriteFile("debug.txt", "left over"),
                           WriteFile("2-100.txt", std::string(5000, 'x'))});
         },
         noProbe, RLIM_INFINITY, true, "25", "2-100.txt=list debug.txt=empty"},
        {"disk full (the list file's name links to /dev/full)", "100", false,
         [](const Unprivileged&) {
             return std::filesystem::is_character_file("/dev/full") &&
                            ::symlink("/dev/full", "2-100.txt") == 0
                        ? std::string()
                        : std::string("cannot link 2-100.txt to /dev/full");
         },
         noProbe, RLIM_INFINITY, false, "25", "debug.txt=empty"},
        // "debug.txt" is never written and its open stays unchecked: the run
        // goes on and the list file is complete.
        {"read-only debug.txt with content", "100", true,
         [](const Unprivileged& who) {
             return First({Chown(".", who), WriteFile("debug.txt", "left over"),
                           Chown("debug.txt", who), Chmod("debug.txt", 0444)});
         },
         [] { return MustNotOpenForWriting("debug.txt", 0); }, RLIM_INFINITY, true, "25",
         "2-100.txt=list debug.txt='left over'"},
        // A named pipe nobody reads: opening it to write must not wait for a
        // reader, or the run and the dialog would hang for good.
        {"named pipe at the list file's name", "100", false,
         [](const Unprivileged&) { return MakeFifo("2-100.txt"); }, noProbe, RLIM_INFINITY, false,
         "25", "2-100.txt=fifo debug.txt=empty"},
        {"named pipe at debug.txt", "100", false,
         [](const Unprivileged&) { return MakeFifo("debug.txt"); }, noProbe, RLIM_INFINITY, true,
         "25", "2-100.txt=list debug.txt=fifo"},
        {"working directory removed", "100", false,
         [](const Unprivileged&) {
             std::error_code ec;
             return std::filesystem::remove(std::filesystem::current_path(), ec)
                        ? std::string()
                        : "cannot remove the working directory: " + ec.message();
         },
         noProbe, RLIM_INFINITY, false, "25", ""},
        {"directory at debug.txt", "100", false,
         [](const Unprivileged&) { return MakeDir("debug.txt"); }, noProbe, RLIM_INFINITY, true,
         "25", "2-100.txt=list debug.txt=dir"},
        {"file-size limit in the middle of the body", "100000", false, none, noProbe, body / 2,
         false, "9592", "debug.txt=empty"},
        {"file-size limit at the end of the body", "100000", false, none, noProbe, body, false,
         "9592", "debug.txt=empty"},
        {"file-size limit inside the count line", "100000", false, none, noProbe, body + 2 + 8,
         false, "9592", "debug.txt=empty"},
        // At the latest where the last line's number starts; earlier if the
        // processing time has more than one digit.
        {"file-size limit in the footer's last line", "100000", false, none, noProbe,
         body + 2 + countLine + timeLabel + 1 + 2 + lastLabel, false, "9592", "debug.txt=empty"},
    };
}

// Runs `run` in a child under `fault` (which the caller has arranged in the
// working directory): drops to `who` if the row asks, checks the fault is in
// place, lowers the file-size limit. Returns what `run` reported, or a line
// starting "setup:" when the fault could not be put in place.
inline std::string RunUnderFault(const FileFault& fault, const Unprivileged& who,
                                 const std::function<std::string()>& run) {
    return RunInChild([&] {
        if (fault.unprivileged) {
            const std::string dropped = DropTo(who);
            if (!dropped.empty()) {
                return "setup: " + dropped;
            }
        }
        const std::string missing = fault.probe();
        if (!missing.empty()) {
            return "setup: " + missing;
        }
        if (fault.fileSizeLimit != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG
            const std::string limited = SetSoftLimit(RLIMIT_FSIZE, fault.fileSizeLimit);
            if (!limited.empty()) {
                return "setup: " + limited;
            }
        }
        return run();
    });
}

}  // namespace file_faults
