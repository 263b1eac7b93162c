// A fresh folder for one test or benchmark, removed with everything in it afterwards.
#pragma once

#include <cerrno>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>
#include <unistd.h>

namespace torvex::testing {

// A new folder <temporary folder>/<prefix>-XXXXXX (mkdtemp: mode 0700, a name no one else has),
// removed with everything in it when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "torvex") {
        const std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        std::string made = pattern;
        if (::mkdtemp(made.data()) == nullptr) {
            // Thrown, never an empty path: a test would then write into the working folder.
            // GoogleTest reports the exception as that test's failure and runs the others.
            const int error = errno;
            throw std::system_error(error, std::generic_category(), "mkdtemp " + pattern);
        }
        path_ = made;
    }
    ~TempDir() {
        // A forked child that ends normally must not take its parent's folder with it.
        if (::getpid() == owner_) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    pid_t owner_ = ::getpid();
};

} // namespace torvex::testing
