#include "DisplayCheck.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QString>
#include <QtGlobal>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace desktop {

namespace {

constexpr char kProgram[] = "ZazivadeZaz32";

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : std::string_view();
}

bool IsSet(const char* name) {
    return std::getenv(name) != nullptr;
}

std::string ProgramPath(const char* program) {
    return program != nullptr && *program != '\0' ? program : kProgram;
}

std::string ProgramName(const char* program) {
    const std::string path = ProgramPath(program);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// True when something accepts connections on the Unix socket `path`, in the
// abstract namespace if `abstract`. Never blocks: a listener whose queue is
// full answers all the same. Connecting and leaving at once costs a display
// server nothing (a client that never completed its set-up is no client).
bool Answers(std::string_view path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;  // sun_path[0] == '\0': abstract
    if (path.empty() || offset + path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                               path.size() + (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return true;  // nothing learnt; Qt will find out
    }
    int result = 0;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    } while (result != 0 && errno == EINTR);
    const bool answers = result == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return answers;
}

// What a window system showed: empty when it answers, else why not.
struct Probe {
    bool answers;
    std::string why;
};

// The X server named by DISPLAY ([protocol/][host]:number[.screen]). A local
// one is asked on its socket, as Xlib and xcb find it (abstract name first);
// anything else (a host, a socket path) is left to Qt.
Probe ProbeX11() {
    const std::string_view display = Env("DISPLAY");
    if (display.empty()) {
        return {false, IsSet("DISPLAY") ? "DISPLAY empty" : "DISPLAY unset"};
    }
    const std::size_t colon = display.rfind(':');
    if (display.front() == '/' || colon == std::string_view::npos) {
        return {true, {}};
    }
    std::string_view host = display.substr(0, colon);
    if (const std::size_t slash = host.find('/'); slash != std::string_view::npos) {
        if (host.substr(0, slash) != "unix" && host.substr(0, slash) != "local") {
            return {true, {}};
        }
        host.remove_prefix(slash + 1);
    }
    std::string_view number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    const bool local = host.empty() || host == "unix";
    if (!local || number.empty() ||
        number.find_first_not_of("0123456789") != std::string_view::npos) {
        return {true, {}};
    }
    const std::string socket = "/tmp/.X11-unix/X" + std::string(number);
    if (Answers(socket, true) || Answers(socket, false)) {
        return {true, {}};
    }
    return {false, "nothing answers at DISPLAY=" + std::string(display)};
}

// The compositor libwayland-client would connect to: WAYLAND_SOCKET (a
// connection handed over), else WAYLAND_DISPLAY (default wayland-0), a path
// or a name in XDG_RUNTIME_DIR.
Probe ProbeWayland() {
    if (IsSet("WAYLAND_SOCKET")) {
        return {true, {}};
    }
    const std::string_view name = IsSet("WAYLAND_DISPLAY") ? Env("WAYLAND_DISPLAY") : "wayland-0";
    std::string path(name);
    if (name.empty() || name.front() != '/') {
        const std::string_view runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            if (!IsSet("WAYLAND_DISPLAY")) {
                return {false, "WAYLAND_DISPLAY and XDG_RUNTIME_DIR unset"};
            }
            return {false, "XDG_RUNTIME_DIR unset, so WAYLAND_DISPLAY=" + std::string(name) +
                               " names no socket"};
        }
        path = std::string(runtime) + "/" + std::string(name);
    }
    if (Answers(path, false)) {
        return {true, {}};
    }
    return {false, "nothing answers at " + path};
}

// The platforms Qt is going to try, as far as they need a display server.
struct Platforms {
    bool check = true;  // false: some platform needs no display server
    bool x11 = false;
    bool wayland = false;
};

Platforms PlatformsToTry() {
    Platforms platforms;
    const std::string_view requested = Env("QT_QPA_PLATFORM");
    if (requested.empty()) {
        // Qt's own choice: X11 always, Wayland first in a Wayland session.
        platforms.x11 = true;
        platforms.wayland = IsSet("WAYLAND_DISPLAY") || Env("XDG_SESSION_TYPE") == "wayland";
        return platforms;
    }
    // "name[:options][;name[:options]...]", tried in turn.
    std::string_view rest = requested;
    while (!rest.empty()) {
        const std::size_t semicolon = rest.find(';');
        std::string_view entry = rest.substr(0, semicolon);
        entry = entry.substr(0, entry.find(':'));
        if (entry == "xcb") {
            platforms.x11 = true;
        } else if (entry.substr(0, 7) == "wayland") {
            platforms.wayland = true;
        } else if (!entry.empty()) {
            platforms.check = false;
        }
        rest =
            semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    }
    return platforms;
}

}  // namespace

std::string WhyNoWindowCanOpen(const char* program) {
    const Platforms platforms = PlatformsToTry();
    if (!platforms.check) {
        return {};
    }
    std::vector<std::string> missing;
    if (platforms.x11) {
        const Probe x11 = ProbeX11();
        if (x11.answers) {
            return {};
        }
        missing.push_back("no X11 display (" + x11.why + ")");
    }
    if (platforms.wayland) {
        const Probe wayland = ProbeWayland();
        if (wayland.answers) {
            return {};
        }
        missing.push_back("no Wayland compositor (" + wayland.why + ")");
    }
    const std::string_view requested = Env("QT_QPA_PLATFORM");
    if (requested.empty() && !platforms.wayland) {
        // Not tried, for want of a name; the user may have meant one.
        missing.emplace_back("no Wayland compositor (WAYLAND_DISPLAY unset)");
    }
    std::string line = ProgramName(program) + ": cannot open a window: ";
    if (!requested.empty()) {
        line += "QT_QPA_PLATFORM=" + std::string(requested) + " and ";
    }
    for (std::size_t i = 0; i < missing.size(); ++i) {
        line += (i == 0 ? "" : " and ") + missing[i];
    }
    if (!platforms.x11) {
        return line + "; start it in a Wayland session, or with env -u QT_QPA_PLATFORM xvfb-run " +
               ProgramPath(program);
    }
    return line + "; start it in a desktop session, or with xvfb-run " + ProgramPath(program);
}

namespace {

// The handler's state: one guard at a time, on the main thread, before any
// other thread of Qt's exists.
QtMessageHandler gPrevious = nullptr;
std::string gProgram;

void ExitOnPlatformFailure(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtFatalMsg &&
        message.contains(QLatin1String("no Qt platform plugin could be initialized"))) {
        std::fprintf(stderr,
                     "%s: cannot open a window: Qt could start none of the platforms it tried "
                     "(see above); start it in a desktop session, or with xvfb-run %s\n",
                     ProgramName(gProgram.c_str()).c_str(), ProgramPath(gProgram.c_str()).c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (gPrevious != nullptr) {
        gPrevious(type, context, message);
    }
}

}  // namespace

PlatformFailureExit::PlatformFailureExit(const char* program) {
    gProgram = ProgramPath(program);
    gPrevious = qInstallMessageHandler(ExitOnPlatformFailure);
}

PlatformFailureExit::~PlatformFailureExit() {
    qInstallMessageHandler(gPrevious);
}

}  // namespace desktop
