#pragma once

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

// Who the permission rows run as, so that permission bits bind: as root the
// rows drop to "nobody" (root's writes ignore the bits); as an ordinary user
// they run as that user, whom the bits already stop.
struct TestUser {
    uid_t uid;
    gid_t gid;
};

// "nobody" for root, else the calling user; false if root and there is no
// "nobody".
inline bool FindTestUser(TestUser& out) {
    if (::geteuid() != 0) {
        out = {::geteuid(), ::getegid()};
        return true;
    }
    const passwd* pw = ::getpwnam("nobody");
    if (pw == nullptr) {
        return false;
    }
    out = {pw->pw_uid, pw->pw_gid};
    return true;
}

// For a forked child only: takes on `who` for good, dropping every group.
// Returns "" on success, else why not. Already `who`: nothing to do.
inline std::string BecomeTestUser(const TestUser& who) {
    if (::geteuid() == who.uid) {
        return "";
    }
    if (::setgroups(0, nullptr) != 0 || ::setgid(who.gid) != 0 || ::setuid(who.uid) != 0) {
        return std::string("cannot become the test user: ") + std::strerror(errno);
    }
    return ::geteuid() == 0 ? "still root after dropping privileges" : "";
}
