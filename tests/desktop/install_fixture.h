// An installed copy of this build in a temporary prefix, for the install tests: one install per
// test process, and the helpers they share.
#pragma once

#include "support/process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace torvex::install {
namespace fs = std::filesystem;
using testing::Process;

// The program's path, looked up on PATH as a shell would.
inline std::optional<fs::path> which(const std::string& program) {
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t colon = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, colon - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = colon + 1;
    }
    return std::nullopt;
}

inline bool installed(const std::string& program) {
    return which(program).has_value();
}

inline testing::Finished runTool(const std::string& program, const std::vector<std::string>& args,
                                 const fs::path& scratch) {
    const auto found = which(program);
    return found ? Process(*found, args, scratch).wait(std::chrono::seconds(120))
                 : testing::Finished{};
}

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        if (value) {
            ::setenv(name_.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmp_.emplace("torvex-install");
        fs::create_directories(scratch());
        const auto done =
            Process(TORVEX_CMAKE_COMMAND,
                    {"--install", TORVEX_BINARY_DIR, "--prefix", prefix().string()}, scratch())
                .wait(std::chrono::seconds(120));
        installStatus_ = done.status;
        installError_ = done.out + done.err;
    }
    static void TearDownTestSuite() { tmp_.reset(); }
    void SetUp() override { ASSERT_EQ(installStatus_, 0) << installError_; }
    static const fs::path& root() { return tmp_->path(); }
    static fs::path prefix() { return root() / "prefix"; }
    static fs::path scratch() { return root() / "scratch"; }

    // One install for the whole suite: it takes a while.
    static inline std::optional<testing::TempDir> tmp_;
    static inline int installStatus_ = -1;
    static inline std::string installError_;
};

} // namespace torvex::install
