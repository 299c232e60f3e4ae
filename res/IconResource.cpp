#include "IconResource.h"

#include <QString>

#include "resource.h"

// The resources live in a static library, whose initialiser the linker would
// drop without this call. Q_INIT_RESOURCE must not be used inside a namespace.
static void InitIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(ZazivadeZaz32);
        return true;
    }();
    static_cast<void>(done);
}

QIcon LoadIconResource(int id) {
    QIcon icon;
    if (id != IDR_MAINFRAME) {
        return icon;
    }
    InitIconResources();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/ZazivadeZaz32-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
