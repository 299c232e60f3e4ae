#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The operating system's side of the two files a run writes (the list and
// "debug.txt"). Each platform provides SystemFileLayer() (search/posix/,
// search/windows/); tests may hand RunSearch a layer of their own.

// A file this process created or truncated and alone writes: while it is open,
// no other instance of the program opens it for writing. Not copyable; the
// destructor closes it if it is still open.
class OutputFile {
public:
    OutputFile() = default;
    virtual ~OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Hands all of `bytes` to the system; false when it could not, for good.
    virtual bool Write(std::string_view bytes) = 0;
    // Closes the file; false when the close reported an error (a write error
    // can surface that late). Later calls do nothing and return true.
    virtual bool Close() = 0;
    // For a file that is not to be kept, instead of Close() or after a Close()
    // that failed: removes its name if the name still is this very file and
    // its only name; otherwise, while it is open, empties it if it is a
    // regular file. Then closes. Touches nothing else.
    virtual void Discard() = 0;
};

// Why a file could not be created.
enum class OpenFailure : std::uint8_t {
    kNone,
    // Another instance of the program is writing it: left as it is.
    kInUse,
    kFailed,
};

class FileLayer {
public:
    virtual ~FileLayer() = default;

    // Creates `name` (relative to the working directory) for writing, or
    // truncates it, readable by others while it is open. Null when that cannot
    // be done, with the reason in `why`.
    virtual std::unique_ptr<OutputFile> Create(const std::string& name, OpenFailure& why) = 0;
};

// The platform's own files; lives for the whole program.
FileLayer& SystemFileLayer();
