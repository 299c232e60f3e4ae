#include "DisplayFlush.h"

#ifdef TAVRO_WAYLAND_CLIENT

#include <poll.h>
#include <wayland-client.h>

#include <qpa/qplatformnativeinterface.h>
#include <QByteArray>
#include <QGuiApplication>
#include <cerrno>

#include "Platform.h"

namespace desktop {

namespace {

// A compositor that has read nothing for this long is stuck; the run carries
// on rather than wait for it, and Qt sends the rest from its event loop.
constexpr std::chrono::milliseconds kFlushTimeout{1000};

// The Wayland display of this application, or null on any other platform.
wl_display* ApplicationWaylandDisplay() {
    if (!OnWaylandPlatform()) {
        return nullptr;
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (native == nullptr) {
        return nullptr;
    }
    return static_cast<wl_display*>(
        native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")));
}

}  // namespace

void FlushDisplay() {
    if (wl_display* display = ApplicationWaylandDisplay()) {
        static_cast<void>(FlushWaylandDisplay(display, kFlushTimeout));
    }
}

bool FlushWaylandDisplay(wl_display* display, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    // wl_display_flush writes as much as the socket takes and keeps the rest;
    // any error but a full socket is the connection's end, which Qt reports.
    while (wl_display_flush(display) < 0) {
        if (errno != EAGAIN) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd socket{wl_display_get_fd(display), POLLOUT, 0};
        static_cast<void>(poll(&socket, 1, static_cast<int>(left.count())));
    }
    return true;
}

}  // namespace desktop

#else  // built without libwayland-client: Qt's event loop sends the frames

namespace desktop {

void FlushDisplay() {}

}  // namespace desktop

#endif
