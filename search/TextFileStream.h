#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <sys/types.h>

// An output file written line by line: opened created-or-truncated, every line
// ended with CR LF and handed to the operating system in one write(2) at its
// end; nothing is held across a line end. Opening never throws; whether the
// open, any write or the close failed is kept in failed(). The destructor
// closes the file. Not copyable. A write to a pipe without reader or past the
// file-size limit raises SIGPIPE or SIGXFSZ: hold a WriteSignalBlock around
// the writes.
class TextFileStream {
public:
    explicit TextFileStream(const char* name);
    ~TextFileStream();
    TextFileStream(const TextFileStream&) = delete;
    TextFileStream& operator=(const TextFileStream&) = delete;

    // True when the open succeeded, that is this stream created or truncated
    // the file; stays true after Close().
    bool opened() const { return opened_; }
    bool failed() const { return failed_; }

    void Put(std::string_view bytes);
    void PutTab() { PutChar('\t'); }
    void PutNumber(std::int32_t value) {
        auto [end, ec] = std::to_chars(line_ + used_, line_ + kLineBytes, value);
        if (ec != std::errc{}) {
            SpillAndPutNumber(value);
            return;
        }
        used_ = static_cast<std::size_t>(end - line_);
    }
    // CR LF, then the line (and anything still held) goes to the file.
    void EndLine();
    // Hands over what is held, closes the file; returns !failed().
    bool Close();
    // For a file that is not to be kept, instead of Close(): removes `name`
    // if it still is the very file this stream opened (not a link to it, not
    // a file put there since); where it cannot, empties that file through
    // the descriptor, if it is a regular one and still open. Nothing more is
    // written, and the descriptor is closed. A stream that never opened
    // touches nothing.
    void Discard(const char* name);

private:
    static constexpr std::size_t kLineBytes = 256;

    void PutChar(char c) {
        if (used_ == kLineBytes) {
            Flush();
        }
        line_[used_++] = c;
    }
    void SpillAndPutNumber(std::int32_t value);
    void Flush();
    void WriteAll(const char* bytes, std::size_t size);

    int fd_ = -1;
    bool opened_ = false;
    bool regular_ = false;  // what was opened is a regular file
    dev_t device_ = 0;      // and which one
    ino_t inode_ = 0;
    bool failed_ = false;
    std::size_t used_ = 0;
    char line_[kLineBytes]{};  // zeroed once, so no byte of it is ever indeterminate
};
