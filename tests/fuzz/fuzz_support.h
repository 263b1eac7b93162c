// Shared pieces of the fuzz targets: a scratch folder on tmpfs (file writes are synced, and a
// disk would make each run slow) and a way to take the input apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

namespace torvex::fuzz {

inline const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        auto d = base / ("torvex-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] { std::filesystem::remove_all(scratch()); });
        return d;
    }();
    return dir;
}

inline void writeFile(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Takes bytes off the front of the input.
class Input {
public:
    Input(const uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    uint8_t byte() {
        if (rest_.empty()) {
            return 0;
        }
        const auto b = static_cast<uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    int integer() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v = (v << 8) | byte();
        }
        return static_cast<int>(v);
    }
    // Up to the next NUL (or the end).
    std::string_view word() {
        const auto nul = rest_.find('\0');
        const auto w = rest_.substr(0, nul);
        rest_.remove_prefix(nul == std::string_view::npos ? rest_.size() : nul + 1);
        return w;
    }
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

} // namespace torvex::fuzz
