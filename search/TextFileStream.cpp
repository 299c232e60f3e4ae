#include "TextFileStream.h"

#include <cstring>

TextFileStream::TextFileStream(FileLayer& files, const std::string& name)
    : file_(files.Create(name, why_)) {
    failed_ = file_ == nullptr;
}

TextFileStream::~TextFileStream() {
    Close();
}

void TextFileStream::Put(std::string_view bytes) {
    if (bytes.size() > kLineBytes - used_) {
        Flush();
        if (bytes.size() > kLineBytes) {
            WriteAll(bytes);
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
    if (file_ == nullptr) {
        return !failed_;
    }
    Flush();
    if (!file_->Close()) {
        failed_ = true;
    }
    return !failed_;
}

void TextFileStream::Discard() {
    used_ = 0;
    failed_ = true;
    if (file_ != nullptr) {
        file_->Discard();
        file_.reset();
    }
}

void TextFileStream::Flush() {
    if (used_ != 0) {
        WriteAll(std::string_view(line_, used_));
        used_ = 0;
    }
}

void TextFileStream::WriteAll(std::string_view bytes) {
    // After the first failure nothing more is written: the file is lost anyway.
    if (!failed_ && (file_ == nullptr || !file_->Write(bytes))) {
        failed_ = true;
    }
}
