#include "Platform.h"

#include <QGuiApplication>
#include <QLatin1String>

namespace desktop {

bool OnWaylandPlatform() {
    // "wayland" and its variants ("wayland-egl").
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace desktop
