#pragma once

#include <string>

namespace desktop {

// Asks the desktop's opener (xdg-open, found on PATH) to open `fileName`,
// named relative to the working directory, which the opener inherits: the
// request means exactly that file whatever bytes the directory's path holds,
// and no other. The opener runs detached (reparented before this returns),
// with every signal at its default disposition and none blocked, whatever this
// process set for itself. Nothing waits for it or reads its result; false only
// when it could not be started.
bool RequestViewer(const std::string& fileName);

}  // namespace desktop
