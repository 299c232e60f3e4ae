#pragma once

#include <fstream>
#include <iterator>
#include <string>

// The whole content of a file, or an empty string if it cannot be read.
inline std::string ReadFileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
