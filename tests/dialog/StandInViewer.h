#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "ListBytes.h"

// The desktop's opener as the tests install it: an "xdg-open" first on PATH
// that, when a test names a log in TAVRO_TEST_VIEWER_LOG, records where it was
// started, what it was asked to open, the signal dispositions and mask it
// inherited, and the bytes it would show; otherwise it does nothing, so no
// test ever starts a real viewer.
inline constexpr char kStandInOpener[] = R"sh(#!/bin/sh
[ -n "$TAVRO_TEST_VIEWER_LOG" ] || exit 0
{
    printf 'cwd=%s\nargs=%s\n' "$(pwd -P)" "$*"
    grep -E '^Sig(Ign|Blk):' /proc/self/status
} >"$TAVRO_TEST_VIEWER_LOG.part"
cat -- "$1" >"$TAVRO_TEST_VIEWER_LOG.seen" 2>/dev/null
mv "$TAVRO_TEST_VIEWER_LOG.part" "$TAVRO_TEST_VIEWER_LOG"
)sh";

// Writes the stand-in opener into a fresh directory that every user may
// search, and puts that directory first on PATH for the whole test process.
// Returns the directory, for removal at exit.
inline std::filesystem::path InstallStandInOpener() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavro-bin-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr || ::chmod(pattern.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot make a directory for the stand-in opener");
    }
    const std::filesystem::path opener = std::filesystem::path(pattern) / "xdg-open";
    std::ofstream(opener) << kStandInOpener;
    ::chmod(opener.c_str(), 0755);
    const char* path = std::getenv("PATH");
    ::setenv("PATH", (pattern + ":" + (path != nullptr ? path : "/usr/bin:/bin")).c_str(), 1);
    return pattern;
}

// While it lives, the stand-in opener records its requests for this test.
class StandInViewer {
public:
    StandInViewer() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavro-viewer-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir_ = pattern;
        log_ = (dir_ / "request").string();
        ::setenv("TAVRO_TEST_VIEWER_LOG", log_.c_str(), 1);
    }
    ~StandInViewer() {
        ::unsetenv("TAVRO_TEST_VIEWER_LOG");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    StandInViewer(const StandInViewer&) = delete;
    StandInViewer& operator=(const StandInViewer&) = delete;

    // Waits for the next request, up to a generous bound (the opener runs
    // detached, so it may finish after the run has returned), and returns
    // what the opener recorded, or "no request" after the bound. `seen` gets
    // the bytes it read from the file it was asked for.
    std::string NextRequest(std::string& seen) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!std::filesystem::exists(log_)) {
            if (std::chrono::steady_clock::now() > deadline) {
                return "no request";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::string request = ReadFileBytes(log_);
        seen = ReadFileBytes(log_ + ".seen");
        std::filesystem::remove(log_);
        std::filesystem::remove(log_ + ".seen");
        return request;
    }

private:
    std::filesystem::path dir_;
    std::string log_;
};
