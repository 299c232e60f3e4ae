#include "ViewerRequest.h"

#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace desktop {

namespace {

constexpr char kOpener[] = "xdg-open";

// The opener's path from PATH, as execvp would search it; empty if none.
std::string FindOnPath(std::string_view program) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    for (;;) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        std::string candidate = dir.empty() ? std::string(".") : std::string(dir);
        candidate += '/';
        candidate += program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return {};
        }
        dirs.remove_prefix(colon + 1);
    }
}

// Sets `signal` to its default action, even the two the C library keeps for
// itself and will not let sigaction() touch: a launcher that spawned us with
// posix_spawn may have left them ignored, and that too survives exec.
void SetDefaultAction(int signal) {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    if (::sigaction(signal, &byDefault, nullptr) == 0 || signal == SIGKILL || signal == SIGSTOP) {
        return;
    }
#if defined(__linux__) && \
    (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__))
    // The kernel's own layout on these: handler, flags, restorer, mask.
    struct {
        void (*handler)(int);
        unsigned long flags;
        void (*restorer)();
        unsigned long mask[64 / (8 * sizeof(unsigned long))];  // 64 signals
    } kernelDefault{SIG_DFL, 0, nullptr, {}};
    ::syscall(SYS_rt_sigaction, signal, &kernelDefault, nullptr, sizeof kernelDefault.mask);
#endif
}

// In the forked grandchild: only async-signal-safe calls from here on. Ignored
// dispositions and the signal mask would otherwise survive exec.
[[noreturn]] void ExecWithDefaultSignals(const char* path, char* const argv[]) {
    for (int signal = 1; signal < NSIG; ++signal) {
        SetDefaultAction(signal);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setsid();  // not in our session: closing our terminal does not end the viewer
    ::execve(path, argv, environ);
    ::_exit(127);
}

}  // namespace

bool RequestViewer(const std::string& fileName) {
    // 1. Everything the children need is made before fork: after it, in a
    //    process that may have other threads, nothing may allocate.
    const std::string path = FindOnPath(kOpener);
    if (path.empty()) {
        return false;
    }
    std::string program = kOpener;
    std::string argument = fileName;
    char* const argv[] = {program.data(), argument.data(), nullptr};

    // 2. Fork twice: the middle child exits at once, so the opener is never
    //    our child and needs no waiting for, however long the viewer runs.
    const pid_t middle = ::fork();
    if (middle < 0) {
        return false;
    }
    if (middle == 0) {
        const pid_t opener = ::fork();
        if (opener == 0) {
            ExecWithDefaultSignals(path.c_str(), argv);
        }
        ::_exit(opener < 0 ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            return true;  // reaped already (SIGCHLD ignored): nothing to tell
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace desktop
