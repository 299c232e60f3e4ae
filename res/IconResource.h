#pragma once

#include <QIcon>

// The icon resource `id` (IDR_MAINFRAME) with all its sizes, compiled in from
// ZazivadeZaz32.qrc; a null icon for an unknown id. Needs a QGuiApplication.
QIcon LoadIconResource(int id);
