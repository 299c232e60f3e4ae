#pragma once

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

// The user the permission cases run as: root's writes ignore permission bits.
struct Unprivileged {
    uid_t uid;
    gid_t gid;
};

// Looks up "nobody"; returns false if this system has no such user.
inline bool FindNobody(Unprivileged& out) {
    const passwd* pw = ::getpwnam("nobody");
    if (pw == nullptr) {
        return false;
    }
    out = {pw->pw_uid, pw->pw_gid};
    return true;
}

// For a forked child only: drops every group and takes on `who` for good.
// Returns an empty string on success, else why it failed. A non-root process
// is already bound by permission bits and only checks that it is not root.
inline std::string DropTo(const Unprivileged& who) {
    if (::geteuid() != 0) {
        return "";
    }
    if (::setgroups(0, nullptr) != 0 || ::setgid(who.gid) != 0 || ::setuid(who.uid) != 0) {
        return std::string("cannot drop to the unprivileged user: ") + std::strerror(errno);
    }
    if (::geteuid() == 0 || ::getegid() == 0) {
        return "still root after dropping privileges";
    }
    return "";
}
