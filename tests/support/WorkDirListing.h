#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "DialogFields.h"
#include "ListBytes.h"

// One word for the content of a file after a run: "empty", "list" (a whole
// list file: it starts with the prime 2 and ends with the footer of `shown`),
// the content itself in quotes when it is short, else "partial:<size>".
inline std::string DescribeBytes(const std::string& bytes, const DialogFields& shown) {
    if (bytes.empty()) {
        return "empty";
    }
    const std::string footer = ExpectedFooter(shown);
    if (bytes.size() > footer.size() && bytes[0] == '2' &&
        bytes.compare(bytes.size() - footer.size(), footer.size(), footer) == 0) {
        return "list";
    }
    if (bytes.size() <= 40 && bytes.find_first_of("\r\n\t") == std::string::npos) {
        return "'" + bytes + "'";
    }
    return "partial:" + std::to_string(bytes.size());
}

// What a directory entry is: "dir", "link", "fifo", or its content described.
inline std::string DescribeEntry(const std::filesystem::path& path, const DialogFields& shown) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (std::filesystem::is_symlink(status)) {
        return "link";
    }
    if (std::filesystem::is_directory(status)) {
        return "dir";
    }
    if (std::filesystem::is_fifo(status)) {
        return "fifo";  // reading it would wait for a writer
    }
    return DescribeBytes(ReadFileBytes(path.string()), shown);
}

// The working directory's entries as "name=what", sorted by name and joined
// by spaces, e.g. "2-100.txt=list debug.txt=empty".
inline std::string ListWorkDir(const DialogFields& shown) {
    std::vector<std::string> entries;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(".", ec)) {
        entries.push_back(entry.path().filename().string() + "=" +
                          DescribeEntry(entry.path(), shown));
    }
    if (ec) {
        return "unlistable: " + ec.message();
    }
    std::sort(entries.begin(), entries.end());
    std::string joined;
    for (const std::string& e : entries) {
        joined += (joined.empty() ? "" : " ") + e;
    }
    return joined;
}
