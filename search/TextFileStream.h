#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

// An output file written line by line: opened created-or-truncated, every line
// ended with CR LF and handed to the operating system in one write(2) at its
// end; nothing is held across a line end. Opening never throws; whether the
// open, any write or the close failed is kept in failed(). The destructor
// closes the file. Not copyable.
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
    bool failed_ = false;
    std::size_t used_ = 0;
    char line_[kLineBytes]{};  // zeroed once, so no byte of it is ever indeterminate
};
