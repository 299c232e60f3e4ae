// The Windows side of the file seam, in a fresh working directory per row:
// exact bytes, readers while it is written, the openers it refuses (and then
// leaves alone), and what a list that is not kept leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ListBytes.h"
#include "OutputFile.h"
#include "TempWorkDir.h"

namespace {

constexpr char kName[] = "2-100.txt";
constexpr wchar_t kWideName[] = L"2-100.txt";

void WriteWhole(const wchar_t* name, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ::CloseHandle(file);
}

// Closes a handle the test opened, whatever the row's end.
struct HeldHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~HeldHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
};

HANDLE OpenForReading(DWORD share) {
    return ::CreateFileW(kWideName, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(WindowsFileLayerTest, FilesHoldExactlyTheBytesWritten) {
    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte += static_cast<char>(b);
    }
    // What a text-mode stream would change: lone LF, CR LF, Ctrl-Z, NUL.
    const std::string lines = "2\t3\r\n5\n\x1A\r\r\n" + everyByte;
    for (const std::string& before : {std::string(), std::string(100000, 'x')}) {
        TempWorkDir dir;
        if (!before.empty()) {
            WriteWhole(kWideName, before);
        }
        OpenFailure why = OpenFailure::kFailed;
        std::unique_ptr<OutputFile> file = SystemFileLayer().Create(kName, why);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(why, OpenFailure::kNone);
        EXPECT_EQ(ReadFileBytes(kName), "") << "not truncated when opened";
        EXPECT_TRUE(file->Write(lines));
        EXPECT_TRUE(file->Write(""));
        EXPECT_TRUE(file->Close());
        EXPECT_TRUE(file->Close());
        EXPECT_EQ(ReadFileBytes(kName), lines);
    }
}

TEST(WindowsFileLayerTest, ReadersSeeEachWriteWhileTheFileIsOpen) {
    TempWorkDir dir;
    OpenFailure why = OpenFailure::kFailed;
    std::unique_ptr<OutputFile> file = SystemFileLayer().Create(kName, why);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write("2\t3\t5\t7\t11\r\n"));
    HeldHandle reader{OpenForReading(FILE_SHARE_READ | FILE_SHARE_WRITE)};
    ASSERT_NE(reader.handle, INVALID_HANDLE_VALUE) << "error " << ::GetLastError();
    char bytes[64] = {};
    DWORD read = 0;
    ASSERT_TRUE(::ReadFile(reader.handle, bytes, sizeof bytes, &read, nullptr));
    EXPECT_EQ(std::string(bytes, read), "2\t3\t5\t7\t11\r\n");
}

struct RefusalCase {
    const char* what;
    std::function<void(HeldHandle& holder)> setUp;  // may hold a handle for the row
    OpenFailure why;
};

TEST(WindowsFileLayerTest, RefusedOpensTouchNothing) {
    std::unique_ptr<OutputFile> first;
    const RefusalCase cases[] = {
        {"another instance writing the list",
         [&first](HeldHandle&) {
             OpenFailure why = OpenFailure::kFailed;
             first = SystemFileLayer().Create(kName, why);
             ASSERT_NE(first, nullptr);
             ASSERT_TRUE(first->Write("old"));
         },
         OpenFailure::kInUse},
        {"a reader that does not share writing",
         [](HeldHandle& holder) {
             WriteWhole(kWideName, "old");
             holder.handle = OpenForReading(FILE_SHARE_READ);
             ASSERT_NE(holder.handle, INVALID_HANDLE_VALUE);
         },
         OpenFailure::kInUse},
        {"a read-only file",
         [](HeldHandle&) {
             WriteWhole(kWideName, "old");
             ASSERT_TRUE(::SetFileAttributesW(kWideName, FILE_ATTRIBUTE_READONLY));
         },
         OpenFailure::kFailed},
        {"a directory", [](HeldHandle&) { ASSERT_TRUE(::CreateDirectoryW(kWideName, nullptr)); },
         OpenFailure::kFailed},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir dir;
        {
            HeldHandle holder;
            c.setUp(holder);
            OpenFailure why = OpenFailure::kNone;
            EXPECT_EQ(SystemFileLayer().Create(kName, why), nullptr);
            EXPECT_EQ(why, c.why);
            if (first != nullptr) {
                // The first instance goes on undisturbed.
                EXPECT_TRUE(first->Write(" and new"));
                EXPECT_TRUE(first->Close());
                first.reset();
                EXPECT_EQ(ReadFileBytes(kName), "old and new");
            }
        }
        if (::GetFileAttributesW(kWideName) & FILE_ATTRIBUTE_DIRECTORY) {
            continue;
        }
        EXPECT_NE(ReadFileBytes(kName), "") << "the file was truncated";
        ::SetFileAttributesW(kWideName, FILE_ATTRIBUTE_NORMAL);
    }
}

struct DiscardCase {
    const char* what;
    // Done between the writes and the discard.
    std::function<void(OutputFile& file, HeldHandle& holder)> meanwhile;
    const char* atName;   // what is left at the list name: "" absent, else content
    const char* atOther;  // at "other.txt", if the row made one
};

TEST(WindowsFileLayerTest, DiscardRemovesTheNameOnlyWhileItIsThisFileAlone) {
    const DiscardCase cases[] = {
        {"nothing", [](OutputFile&, HeldHandle&) {}, nullptr, nullptr},
        {"closed already", [](OutputFile& file, HeldHandle&) { ASSERT_TRUE(file.Close()); },
         nullptr, nullptr},
        {"a second name made for it",
         [](OutputFile&, HeldHandle&) {
             ASSERT_TRUE(::CreateHardLinkW(L"other.txt", kWideName, nullptr));
         },
         "", ""},
        {"renamed, another file put at its name",
         [](OutputFile&, HeldHandle&) {
             ASSERT_TRUE(::MoveFileW(kWideName, L"other.txt"));
             WriteWhole(kWideName, "someone else's");
         },
         "someone else's", ""},
        {"held by a reader that does not share deletion",
         [](OutputFile&, HeldHandle& holder) {
             holder.handle = OpenForReading(FILE_SHARE_READ | FILE_SHARE_WRITE);
             ASSERT_NE(holder.handle, INVALID_HANDLE_VALUE);
         },
         "", nullptr},
    };
    for (const DiscardCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkDir dir;
        {
            HeldHandle holder;
            OpenFailure why = OpenFailure::kFailed;
            std::unique_ptr<OutputFile> file = SystemFileLayer().Create(kName, why);
            ASSERT_NE(file, nullptr);
            ASSERT_TRUE(file->Write("2\t3\t5\t7\t11\r\n13"));
            c.meanwhile(*file, holder);
            file->Discard();
            EXPECT_TRUE(file->Close());
        }
        const bool present = ::GetFileAttributesW(kWideName) != INVALID_FILE_ATTRIBUTES;
        if (c.atName == nullptr) {
            EXPECT_FALSE(present);
        } else {
            ASSERT_TRUE(present);
            EXPECT_EQ(ReadFileBytes(kName), c.atName);
        }
        if (c.atOther != nullptr) {
            EXPECT_EQ(ReadFileBytes("other.txt"), c.atOther);
        }
    }
}

}  // namespace
