#include "WriteGuard.h"

// Windows raises no signal for a failed write (a broken pipe or a full disk
// is an error code like any other), and a request to end the process does not
// interrupt the list's writes: there is nothing to guard.
struct WriteGuard::State {};

WriteGuard::WriteGuard() = default;

WriteGuard::~WriteGuard() = default;

bool WriteGuard::EndRequested() const {
    return false;
}
