#pragma once

#include <string>

// The bytes 2-100.txt must hold, given the two times the dialog showed: five
// lines of five primes, an empty line, and the three summary lines with their
// labels in code page 932.
inline std::string ExpectedList100(const std::string& elapsed, const std::string& fileTime) {
    const std::string body =
        "2\t3\t5\t7\t11\r\n13\t17\t19\t23\t29\r\n31\t37\t41\t43\t47\r\n"
        "53\t59\t61\t67\t71\r\n73\t79\t83\t89\t97\r\n";
    const std::string countBefore = "\x91\x66\x90\x94\x82\xCD";
    const std::string countAfter = "\x8C\xC2\x82\xC5\x82\xB7";
    const std::string elapsedLabel = "\x8F\x88\x97\x9D\x8E\x9E\x8A\xD4(\xD0\xD8\x95\x62)";
    const std::string fileTimeLabel =
        "\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x8E\x9E\x8A\xD4(\xD0\xD8\x95\x62)";
    return body + "\r\n" + countBefore + "25" + countAfter + "\r\n" + elapsedLabel + elapsed +
           "\r\n" + fileTimeLabel + fileTime + "\r\n";
}
