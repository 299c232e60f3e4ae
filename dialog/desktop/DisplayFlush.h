#pragma once

#include <chrono>

struct wl_display;

namespace desktop {

// Qt's Wayland client hands its requests (a repaint's attach, damage and
// commit among them) to the compositor only from the event loop, and a search
// run does not return to it; X11 and offscreen need nothing of this.

// Sends everything this application's window system connection has buffered
// to the display server now. Does nothing on any platform but Wayland, and
// nothing in a build without libwayland-client. Reads and handles no events.
void FlushDisplay();

// Writes what `display` has buffered. While the socket is full, because the
// compositor has not yet read the requests before, waits for room, up to
// `timeout` in all. True when nothing is left unsent. Built only with
// libwayland-client.
bool FlushWaylandDisplay(wl_display* display, std::chrono::milliseconds timeout);

}  // namespace desktop
