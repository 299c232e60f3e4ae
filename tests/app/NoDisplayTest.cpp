// The built program started where no window can open: one line on standard
// error that says what was tried and how to start it, status 1 and no core
// file (an abort would leave one: the child may write cores of any size);
// --help and --version answer all the same.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "TempWorkDir.h"

namespace fs = std::filesystem;

namespace {

constexpr char kName[] = "ZazivadeZaz32";  // argv[0] of every start

// A socket in the abstract namespace named as the X server of display `n`
// would be, listening or not (then it refuses connections), or -1 if that
// name is taken.
int BindAsXDisplay(int n, bool listen) {
    const std::string name = "/tmp/.X11-unix/X" + std::to_string(n);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        (listen && ::listen(fd, 8) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A display number of ours: its abstract socket name held by us, listening
// or not, and no socket file of that number.
class OwnDisplay {
public:
    explicit OwnDisplay(bool listen) {
        std::minstd_rand random(static_cast<unsigned>(::getpid()) * 2 + (listen ? 1 : 0));
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            number_ = 20000 + static_cast<int>(random() % 20000);
            if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(number_))) {
                fd_ = BindAsXDisplay(number_, listen);
            }
        }
    }
    ~OwnDisplay() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    std::string name() const { return ":" + std::to_string(number_); }

private:
    int number_ = 0;
    int fd_ = -1;
};

// Accepts every connection on `fd` and closes it at once, as no display
// server would, until destroyed.
class Refuser {
public:
    explicit Refuser(int fd)
        : thread_([this, fd] {
              while (!stop_) {
                  pollfd waiting{fd, POLLIN, 0};
                  if (::poll(&waiting, 1, 50) > 0) {
                      const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
                      if (client >= 0) {
                          ::close(client);
                      }
                  }
              }
          }) {}
    ~Refuser() {
        stop_ = true;
        thread_.join();
    }
    Refuser(const Refuser&) = delete;
    Refuser& operator=(const Refuser&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Outcome {
    int status = -1;  // exit status, or -signal
    std::string out;
    std::string err;
};

// Starts the built program with exactly `environment` and `args` in the
// working directory, and collects what it printed and how it ended. A child
// that has not ended after a minute is killed (reported as -SIGKILL).
Outcome Start(const std::vector<std::string>& environment, const std::vector<std::string>& args) {
    std::vector<std::string> argvText{kName};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envText = environment;
    std::vector<char*> envp;
    for (std::string& entry : envText) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        rlimit core{};
        ::getrlimit(RLIMIT_CORE, &core);
        core.rlim_cur = core.rlim_max;
        ::setrlimit(RLIMIT_CORE, &core);
        ::alarm(60);  // survives exec: a hang is ended, not waited for
        ::execve(TAVRO_EXECUTABLE, argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    Outcome outcome;
    pollfd pipes[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&outcome.out, &outcome.err};
    int open = 2;
    while (open > 0 && ::poll(pipes, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (pipes[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(pipes[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(pipes[i].fd);
                pipes[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return outcome;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

TEST(NoDisplayTest, SaysInOneLineWhatWasTriedAndEndsWithStatusOne) {
    TempWorkDir dir;
    const std::string runtime = (dir.path() / "runtime").string();
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    OwnDisplay nothing(false);
    OwnDisplay refusing(true);
    ASSERT_TRUE(nothing.ok() && refusing.ok()) << "no free display number";
    const Refuser refuser(refusing.fd());
    const std::string advice = "; start it in a desktop session, or with xvfb-run ZazivadeZaz32\n";
    struct Row {
        const char* name;
        std::vector<std::string> environment;  // beyond PATH, HOME and the sanitizers'
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;  // "...": these lines may come before it
    };
    const Row rows[] = {
        {"DISPLAY unset",
         {},
         {},
         1,
         "",
         "ZazivadeZaz32: cannot open a window: no X11 display (DISPLAY unset) and no Wayland "
         "compositor (WAYLAND_DISPLAY unset)" +
             advice},
        {"DISPLAY naming no server",
         {"DISPLAY=$NOTHING"},
         {"2-100.txt"},
         1,
         "",
         "ZazivadeZaz32: cannot open a window: no X11 display (nothing answers at "
         "DISPLAY=$NOTHING) and no Wayland compositor (WAYLAND_DISPLAY unset)" +
             advice},
        {"WAYLAND_DISPLAY naming no compositor",
         {"WAYLAND_DISPLAY=nothing", "XDG_RUNTIME_DIR=$RUNTIME"},
         {},
         1,
         "",
         "ZazivadeZaz32: cannot open a window: no X11 display (DISPLAY unset) and no Wayland "
         "compositor (nothing answers at $RUNTIME/nothing)" +
             advice},
        {"WAYLAND_DISPLAY without XDG_RUNTIME_DIR",
         {"WAYLAND_DISPLAY=wayland-1", "DISPLAY=$NOTHING"},
         {},
         1,
         "",
         "ZazivadeZaz32: cannot open a window: no X11 display (nothing answers at "
         "DISPLAY=$NOTHING) and no Wayland compositor (XDG_RUNTIME_DIR unset, so "
         "WAYLAND_DISPLAY=wayland-1 names no socket)" +
             advice},
        {"QT_QPA_PLATFORM=wayland and no compositor",
         {"QT_QPA_PLATFORM=wayland", "XDG_RUNTIME_DIR=$RUNTIME"},
         {},
         1,
         "",
         "ZazivadeZaz32: cannot open a window: QT_QPA_PLATFORM=wayland and no Wayland "
         "compositor (nothing answers at $RUNTIME/wayland-0); start it in a Wayland session, "
         "or with env -u QT_QPA_PLATFORM xvfb-run ZazivadeZaz32\n"},
        {"a display that closes every connection",
         {"DISPLAY=$REFUSING", "QT_QPA_PLATFORM=xcb"},
         {},
         1,
         "",
         "...ZazivadeZaz32: cannot open a window: Qt could start none of the platforms it "
         "tried (see above)" +
             advice},
        {"--help without a display",
         {},
         {"--help"},
         0,
         "Usage: ZazivadeZaz32 [--help | --version]\n...",
         ""},
        {"--version without a display",
         {},
         {"-x", "--version"},
         0,
         "ZazivadeZaz32 (Tavro+) 1.0.0.1\n",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto fill = [&](const std::string& text) {
            return Replace(
                Replace(Replace(text, "$NOTHING", nothing.name()), "$REFUSING", refusing.name()),
                "$RUNTIME", runtime);
        };
        std::vector<std::string> environment{"PATH=/usr/bin:/bin", "HOME=" + dir.path().string()};
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
            if (const char* value = std::getenv(name)) {
                environment.push_back(std::string(name) + "=" + value);
            }
        }
        for (const std::string& entry : row.environment) {
            environment.push_back(fill(entry));
        }
        const Outcome outcome = Start(environment, row.args);
        EXPECT_EQ(outcome.status, row.status);
        const auto expectText = [&](const std::string& seen, const std::string& expected) {
            const std::string wanted = fill(expected);
            if (wanted.rfind("...", 0) == 0) {  // the last line
                EXPECT_TRUE(seen.size() >= wanted.size() - 3 &&
                            seen.compare(seen.size() - (wanted.size() - 3), std::string::npos,
                                         wanted, 3) == 0)
                    << seen;
            } else if (wanted.size() >= 3 && wanted.compare(wanted.size() - 3, 3, "...") == 0) {
                EXPECT_EQ(seen.substr(0, wanted.size() - 3), wanted.substr(0, wanted.size() - 3));
            } else {
                EXPECT_EQ(seen, wanted);
            }
        };
        expectText(outcome.out, row.out);
        expectText(outcome.err, row.err);
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            EXPECT_NE(entry.path().filename().string().rfind("core", 0), 0u) << entry.path();
        }
    }
}

}  // namespace
