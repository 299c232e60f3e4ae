#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "DisplayFlush.h"

namespace {

using std::chrono::milliseconds;

// A Wayland client connection whose compositor is a bare socket that has not
// read what was sent before: the client's socket buffer is full, and `queued`
// bytes of requests wait in libwayland for room.
class StalledCompositor {
public:
    StalledCompositor() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
            return;
        }
        compositor = fds[1];
        const timeval patience{30, 0};  // a read never hangs the test
        setsockopt(compositor, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        const int small = 4096;
        setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        display = wl_display_connect_to_fd(fds[0]);
        if (display == nullptr) {
            close(fds[0]);
            return;
        }
        const std::vector<char> filler(1024, 0);
        ssize_t sent = 0;
        while ((sent = send(fds[0], filler.data(), filler.size(), MSG_DONTWAIT)) > 0) {
            pending += static_cast<size_t>(sent);
        }
        for (int i = 0; i < 50; ++i) {
            callbacks.push_back(wl_display_sync(display));  // 12 bytes each
        }
        pending += 50 * 12;
    }

    ~StalledCompositor() {
        for (wl_callback* callback : callbacks) {
            wl_callback_destroy(callback);
        }
        if (display != nullptr) {
            wl_display_disconnect(display);
        }
        if (compositor >= 0) {
            close(compositor);
        }
    }

    // Reads until everything sent has arrived or the client has gone.
    size_t ReadAll() const {
        size_t received = 0;
        std::vector<char> buffer(65536);
        while (received < pending) {
            const ssize_t got = read(compositor, buffer.data(), buffer.size());
            if (got <= 0) {
                break;
            }
            received += static_cast<size_t>(got);
        }
        return received;
    }

    int compositor = -1;
    wl_display* display = nullptr;
    std::vector<wl_callback*> callbacks;
    size_t pending = 0;  // bytes the compositor has yet to read
};

TEST(DisplayFlushTest, WaitsForRoomInTheSocketUpToTheTimeout) {
    struct Case {
        const char* name;
        bool compositorReads;
        milliseconds timeout;
        bool flushed;
    };
    const Case cases[] = {
        {"compositor catches up", true, milliseconds(30000), true},
        {"compositor stuck", false, milliseconds(50), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StalledCompositor stalled;
        ASSERT_NE(stalled.display, nullptr);
        ASSERT_EQ(wl_display_flush(stalled.display), -1);  // nothing more fits
        ASSERT_EQ(errno, EAGAIN);
        size_t received = 0;
        std::thread reader;
        if (c.compositorReads) {
            reader = std::thread([&] {
                std::this_thread::sleep_for(milliseconds(20));  // let the flush find it full
                received = stalled.ReadAll();
            });
        }
        EXPECT_EQ(desktop::FlushWaylandDisplay(stalled.display, c.timeout), c.flushed);
        if (reader.joinable()) {
            reader.join();
            EXPECT_EQ(received, stalled.pending);
        }
        EXPECT_EQ(wl_display_get_error(stalled.display), 0);  // a full socket is no error
    }
}

}  // namespace
