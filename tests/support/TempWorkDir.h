#pragma once

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

// Makes a fresh directory, enters it, and on destruction goes back and removes
// it with everything in it (writable again first: a row may have taken its
// owner's write permission). The runs under test write into the working
// directory, so each test gets one of these.
class TempWorkDir {
public:
    TempWorkDir() : previous_(std::filesystem::current_path()) {
        path_ = MakeUniqueDirectory();
        std::filesystem::current_path(path_);
    }
    ~TempWorkDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
#if !defined(_WIN32)
        ::chmod(path_.c_str(), 0700);
#endif
        std::filesystem::remove_all(path_, ignored);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::filesystem::path& path() const {
        return path_;
    }

private:
    static std::filesystem::path MakeUniqueDirectory() {
#if defined(_WIN32)
        // No mkdtemp on Windows: a random name, another if it is taken.
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path path =
                std::filesystem::temp_directory_path() / ("tavro-" + std::to_string(random()));
            if (std::filesystem::create_directory(path)) {
                return path;
            }
        }
        throw std::runtime_error("no fresh temporary directory");
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "tavro-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        return pattern;
#endif
    }

    std::filesystem::path previous_;
    std::filesystem::path path_;
};
