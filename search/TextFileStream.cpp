#include "TextFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

TextFileStream::TextFileStream(const char* name) {
    // Readable by others while open: the viewer may read it before we close.
    // O_NONBLOCK only for the open itself: a named pipe of that name with no
    // reader fails at once (ENXIO) instead of hanging the run for good.
    fd_ = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd_ >= 0) {
        const int flags = ::fcntl(fd_, F_GETFL);
        if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    opened_ = fd_ >= 0;
    failed_ = !opened_;
    // Which file this is, so that a failed run removes that one and no other.
    struct stat info {};
    if (opened_ && ::fstat(fd_, &info) == 0) {
        regular_ = S_ISREG(info.st_mode);
        device_ = info.st_dev;
        inode_ = info.st_ino;
    }
}

TextFileStream::~TextFileStream() {
    Close();
}

void TextFileStream::Put(std::string_view bytes) {
    if (bytes.size() > kLineBytes - used_) {
        Flush();
        if (bytes.size() > kLineBytes) {
            WriteAll(bytes.data(), bytes.size());
            return;
        }
    }
    std::memcpy(line_ + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

void TextFileStream::SpillAndPutNumber(std::int32_t value) {
    // A line longer than the buffer: hand over what is held and start afresh.
    Flush();
    used_ = static_cast<std::size_t>(std::to_chars(line_, line_ + kLineBytes, value).ptr - line_);
}

void TextFileStream::EndLine() {
    if (kLineBytes - used_ < 2) {
        Flush();
    }
    line_[used_++] = '\r';
    line_[used_++] = '\n';
    Flush();
}

bool TextFileStream::Close() {
    if (fd_ < 0) {
        return !failed_;
    }
    Flush();
    // The descriptor is gone whatever close() says; its error still counts
    // (a delayed write error can surface only here).
    if (::close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    return !failed_;
}

void TextFileStream::Discard(const char* name) {
    used_ = 0;
    failed_ = true;
    if (!opened_) {
        return;
    }
    struct stat atName {};
    const bool ours = regular_ && ::lstat(name, &atName) == 0 && S_ISREG(atName.st_mode) &&
                      atName.st_dev == device_ && atName.st_ino == inode_;
    if (!(ours && ::unlink(name) == 0) && fd_ >= 0 && regular_) {
        static_cast<void>(::ftruncate(fd_, 0));
    }
    Close();
}

void TextFileStream::Flush() {
    if (used_ != 0) {
        WriteAll(line_, used_);
        used_ = 0;
    }
}

void TextFileStream::WriteAll(const char* bytes, std::size_t size) {
    // After the first failure nothing more is written: the file is lost anyway.
    if (failed_) {
        return;
    }
    while (size != 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed_ = true;
            return;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
}
