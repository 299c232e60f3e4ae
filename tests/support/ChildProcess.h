#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

// Runs `body` in a forked child and hands back the text it returned. Whatever
// the child changes about itself (resource limits, user identity, signal
// dispositions, memory it loses) dies with it; only the text comes back. A child
// that crashes or leaves by an exception is described in the text, so the
// caller's comparison fails with the reason. The body must not use gtest
// assertions: their failures would be recorded in the child alone.
inline constexpr unsigned kChildWatchdogSeconds = 120;

inline std::string RunInChild(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return "harness: pipe failed";
    }
    std::fflush(nullptr);  // so buffered output is not written twice
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return "harness: fork failed";
    }
    if (pid == 0) {
        ::close(fds[0]);
        // A watchdog, not a time limit on the result: a child that hangs (a
        // run blocked for good) is ended and reported instead of hanging the
        // suite. Every body here finishes in seconds even under the sanitizers.
        ::alarm(kChildWatchdogSeconds);
        std::string report;
        try {
            report = body();
        } catch (const std::exception& e) {
            report = std::string("child: exception escaped: ") + e.what();
        } catch (...) {
            report = "child: unknown exception escaped";
        }
        const char* p = report.data();
        std::size_t left = report.size();
        while (left != 0) {
            const ssize_t n = ::write(fds[1], p, left);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                ::_exit(3);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        // No exit handlers: the parent's test framework state is not ours.
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        report += "\nchild: killed by signal " + std::to_string(WTERMSIG(status));
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        report += "\nchild: exit status " + std::to_string(WEXITSTATUS(status));
    }
    return report;
}
