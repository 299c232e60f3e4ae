// The list and "debug.txt" on POSIX: one descriptor per file, one write(2)
// per line, and an advisory lock that keeps two instances of the program off
// each other's list.
//
// Creating a file, step by step:
// 1. open(2) without O_TRUNC, and without waiting for a reader should the
//    name be a named pipe.
// 2. Lock it (flock, exclusive, not waiting). An instance that is writing the
//    file holds that lock until it has closed or discarded it; then the file
//    is left exactly as it is, and the run reports it.
// 3. Check that the name still is the file locked: a failing instance may have
//    removed it between our open and our lock. If not, start again.
// 4. Only now truncate it.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "OutputFile.h"

namespace {

// A reader of a named pipe that takes nothing for this long has stopped
// reading: the write fails rather than freeze the dialog until it closes.
constexpr std::chrono::milliseconds kPipeStall{5000};
// Removals that race our open are rare; this many in a row mean a name that
// keeps changing under us.
constexpr int kOpenAttempts = 8;

class PosixOutputFile final : public OutputFile {
public:
    PosixOutputFile(int fd, std::string name, const struct stat& info)
        : fd_(fd),
          name_(std::move(name)),
          regular_(S_ISREG(info.st_mode)),
          pipe_(S_ISFIFO(info.st_mode)),
          device_(info.st_dev),
          inode_(info.st_ino) {}
    ~PosixOutputFile() override { Close(); }
    PosixOutputFile(const PosixOutputFile&) = delete;
    PosixOutputFile& operator=(const PosixOutputFile&) = delete;

    bool Write(std::string_view bytes) override {
        const char* at = bytes.data();
        std::size_t left = bytes.size();
        while (left != 0) {
            const ssize_t written = ::write(fd_, at, left);
            if (written >= 0) {
                at += written;
                left -= static_cast<std::size_t>(written);
            } else if (errno == EAGAIN && pipe_) {
                if (!WaitForRoom()) {
                    return false;
                }
            } else if (errno != EINTR) {
                return false;
            }
        }
        return true;
    }

    bool Close() override {
        if (fd_ < 0) {
            return true;
        }
        // The descriptor is gone whatever close() says; its error still counts
        // (a delayed write error can surface only here).
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

    void Discard() override {
        // Removing a name that has other links would leave what we wrote
        // under those; a name that now is another file is not ours at all.
        struct stat atName {};
        const bool onlyName = regular_ && ::lstat(name_.c_str(), &atName) == 0 &&
                              S_ISREG(atName.st_mode) && atName.st_dev == device_ &&
                              atName.st_ino == inode_ && atName.st_nlink == 1;
        if (fd_ < 0) {
            // Closed already (the close failed), so the lock is gone: another
            // instance may be writing the file by now, and then it is theirs.
            if (onlyName) {
                RemoveIfNobodyWriting();
            }
            return;
        }
        if (!(onlyName && ::unlink(name_.c_str()) == 0) && regular_) {
            static_cast<void>(::ftruncate(fd_, 0));
        }
        Close();
    }

private:
    // Removes our name if it still is our file and no instance holds its
    // lock, holding that lock meanwhile.
    void RemoveIfNobodyWriting() const {
        const int fd = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            return;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_dev == device_ && info.st_ino == inode_ &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            static_cast<void>(::unlink(name_.c_str()));
        }
        ::close(fd);
    }

    bool WaitForRoom() const {
        pollfd room{fd_, POLLOUT, 0};
        for (;;) {
            const int ready = ::poll(&room, 1, static_cast<int>(kPipeStall.count()));
            if (ready > 0) {
                return true;  // room, or an error the next write reports
            }
            if (ready == 0 || errno != EINTR) {
                return false;
            }
        }
    }

    int fd_;
    std::string name_;
    bool regular_;
    bool pipe_;  // written without blocking, waiting for room up to kPipeStall
    dev_t device_;
    ino_t inode_;
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool SetBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

class PosixFileLayer final : public FileLayer {
public:
    std::unique_ptr<OutputFile> Create(const std::string& name, OpenFailure& why) override {
        why = OpenFailure::kFailed;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            // 1. Readable by others while open: the viewer may read it before
            //    we close it. A named pipe with no reader fails at once (ENXIO).
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
            if (fd < 0) {
                return nullptr;
            }
            struct stat info {};
            if (::fstat(fd, &info) != 0) {
                ::close(fd);
                return nullptr;
            }
            // A pipe or a device holds nothing to protect or truncate.
            if (!S_ISREG(info.st_mode)) {
                if (!S_ISFIFO(info.st_mode) && !SetBlocking(fd)) {
                    ::close(fd);
                    return nullptr;
                }
                why = OpenFailure::kNone;
                return std::make_unique<PosixOutputFile>(fd, name, info);
            }
            // 2. A file system without locks does not stop the run.
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
                ::close(fd);
                why = OpenFailure::kInUse;
                return nullptr;
            }
            // 3. The name must still be the file we locked.
            struct stat atName {};
            if (::stat(name.c_str(), &atName) != 0 || !SameFile(atName, info)) {
                ::close(fd);
                continue;
            }
            // 4. Ours now: truncate it.
            if (::ftruncate(fd, 0) != 0 || !SetBlocking(fd)) {
                ::close(fd);
                return nullptr;
            }
            why = OpenFailure::kNone;
            return std::make_unique<PosixOutputFile>(fd, name, info);
        }
        return nullptr;
    }
};

}  // namespace

FileLayer& SystemFileLayer() {
    static PosixFileLayer layer;
    return layer;
}
