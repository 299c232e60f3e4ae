#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "OutputFile.h"

// An output file written line by line: created or truncated through a
// FileLayer, every line ended with CR LF and handed to the system in one
// write at its end; nothing is held across a line end. Opening never throws
// (but std::bad_alloc); whether the open, any write or the close failed is
// kept in failed(). The destructor closes the file. Not copyable. Hold a
// WriteGuard around the writes of the list.
class TextFileStream {
public:
    TextFileStream(FileLayer& files, const std::string& name);
    explicit TextFileStream(const std::string& name) : TextFileStream(SystemFileLayer(), name) {}
    ~TextFileStream();
    TextFileStream(const TextFileStream&) = delete;
    TextFileStream& operator=(const TextFileStream&) = delete;

    // True when the open succeeded, that is this stream created or truncated
    // the file; stays true after Close().
    bool opened() const { return why_ == OpenFailure::kNone; }
    OpenFailure openFailure() const { return why_; }
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
    // For a file that is not to be kept, instead of Close() or after a Close()
    // that failed: nothing more is written, and the file is removed or emptied
    // (OutputFile::Discard). A stream that never opened touches nothing.
    void Discard();

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
    void WriteAll(std::string_view bytes);

    OpenFailure why_ = OpenFailure::kFailed;  // before file_, which sets it
    std::unique_ptr<OutputFile> file_;
    bool failed_ = false;
    std::size_t used_ = 0;
    char line_[kLineBytes]{};  // zeroed once, so no byte of it is ever indeterminate
};
