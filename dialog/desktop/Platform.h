#pragma once

namespace desktop {

// True when this process's application object runs on Qt's Wayland platform
// (a native window in a Wayland session). Needs the application object.
bool OnWaylandPlatform();

}  // namespace desktop
