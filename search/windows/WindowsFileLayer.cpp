// The run's files on Windows: CreateFileW and WriteFile, in binary, so every
// byte the stream hands over (its own CR LF included) reaches the file as it
// is. A file's identity is its volume and file index, taken through the
// handle: a list that is not kept is deleted by its name only while the name
// still is that file, and otherwise emptied through the handle.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "OutputFile.h"
#include "WideText.h"

namespace {

bool Truncate(HANDLE file) {
    return ::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) != 0 &&
           ::SetEndOfFile(file) != 0;
}

// Deleted when the last handle to it closes; false when the system refuses
// (a read-only file, or one whose other openers do not share deletion).
bool MarkForDeletion(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                        sizeof disposition) != 0;
}

// Which file a handle is open on: its volume and its index there.
struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool known = false;

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file, &info) == 0) {
        return {};
    }
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
}

// A regular file with this one name.
bool OnlyName(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileType(file) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandle(file, &info) != 0 && info.nNumberOfLinks == 1 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Deletes `name` if it still is the file `identity` names and that file has
// no other name; true when it did.
bool DeleteIfStill(const std::wstring& name, const FileIdentity& identity) {
    if (!identity.known) {
        return false;
    }
    HANDLE atName = ::CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (atName == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool deleted =
        IdentityOf(atName) == identity && OnlyName(atName) && MarkForDeletion(atName);
    ::CloseHandle(atName);
    return deleted;
}

class WindowsOutputFile final : public OutputFile {
public:
    WindowsOutputFile(HANDLE file, std::wstring name)
        : file_(file), name_(std::move(name)), identity_(IdentityOf(file)) {}
    ~WindowsOutputFile() override { Close(); }
    WindowsOutputFile(const WindowsOutputFile&) = delete;
    WindowsOutputFile& operator=(const WindowsOutputFile&) = delete;

    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const DWORD chunk =
                bytes.size() > (DWORD{1} << 30) ? DWORD{1} << 30 : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (file_ == INVALID_HANDLE_VALUE ||
                ::WriteFile(file_, bytes.data(), chunk, &written, nullptr) == 0 || written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    bool Close() override {
        if (file_ == INVALID_HANDLE_VALUE) {
            return true;
        }
        const bool closed = ::CloseHandle(file_) != 0;
        file_ = INVALID_HANDLE_VALUE;
        return closed;
    }

    // The file is shared for deletion (see Create), so by now another file
    // may bear the name: the name goes only if it still is this file; else
    // this file, while it is open, is emptied through the handle.
    void Discard() override {
        if (!DeleteIfStill(name_, identity_) && file_ != INVALID_HANDLE_VALUE &&
            ::GetFileType(file_) == FILE_TYPE_DISK) {
            static_cast<void>(Truncate(file_));
        }
        Close();
    }

private:
    HANDLE file_;
    std::wstring name_;
    FileIdentity identity_;
};

class WindowsFileLayer final : public FileLayer {
public:
    std::unique_ptr<OutputFile> Create(const std::string& name, OpenFailure& why) override {
        why = OpenFailure::kFailed;
        const std::wstring wide = Widen(name);
        if (wide.empty()) {
            return nullptr;
        }
        // 1. Open, or create, without truncating. Readers may share it; no
        //    other writer may, so a second instance of the program writing
        //    the same list is refused here and leaves this one's file alone.
        //    Shared for deletion, so that a list that is not kept can be
        //    deleted by its name while this handle is still open.
        HANDLE file =
            ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
                why = OpenFailure::kInUse;
            }
            return nullptr;
        }
        // 2. Held alone for writing, now it may be truncated. Windows refuses
        //    to open a read-only file for writing; Wine, run as root, does not,
        //    so the attribute is looked at here as well.
        BY_HANDLE_FILE_INFORMATION info{};
        if (::GetFileType(file) != FILE_TYPE_DISK ||
            ::GetFileInformationByHandle(file, &info) == 0 ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 || !Truncate(file)) {
            ::CloseHandle(file);
            return nullptr;
        }
        why = OpenFailure::kNone;
        return std::make_unique<WindowsOutputFile>(file, wide);
    }
};

}  // namespace

FileLayer& SystemFileLayer() {
    static WindowsFileLayer layer;
    return layer;
}
