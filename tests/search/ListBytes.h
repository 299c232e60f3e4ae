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

// The list file at n = 100, five full lines, given the two times shown.
inline std::string ExpectedList100(const std::string& elapsed, const std::string& fileTime) {
    return "2\t3\t5\t7\t11\r\n13\t17\t19\t23\t29\r\n31\t37\t41\t43\t47\r\n"
           "53\t59\t61\t67\t71\r\n73\t79\t83\t89\t97\r\n" +
           ExpectedFooter("25", elapsed, fileTime);
}
