#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "DialogFields.h"
#include "ListFile.h"

// The whole content of a file, or an empty string if it cannot be read.
inline std::string ReadFileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The footer of a list file: a line end, then the count and the two times with
// their code page 932 labels (whose bytes ListFileTest checks on their own).
inline std::string ExpectedFooter(const std::string& count, const std::string& elapsed,
                                  const std::string& fileTime) {
    return "\r\n" + std::string(list_labels::kCountBefore) + count +
           std::string(list_labels::kCountAfter) + "\r\n" +
           std::string(list_labels::kProcessingTime) + elapsed + "\r\n" +
           std::string(list_labels::kFileOutputTime) + fileTime + "\r\n";
}

// The footer of the run whose results `shown` holds.
inline std::string ExpectedFooter(const DialogFields& shown) {
    return ExpectedFooter(shown.m_strCount, shown.m_strElapsed, shown.m_strFileTime);
}
