// A missing tool skips a test on a developer's machine and fails it under CI.
#include "support/required_tool.h"

#include <gtest/gtest-spi.h>
#include <optional>
#include <string>

namespace torvex::testing {
namespace {

void missingXdotool() {
    TORVEX_MISSING_TOOL("xdotool"
                        << " is not installed");
}

// Sets or clears CI for one scope and puts back what was there.
class CiVariable {
public:
    explicit CiVariable(const char* value) {
        if (const char* old = std::getenv("CI")) {
            old_ = old;
        }
        if (value == nullptr) {
            ::unsetenv("CI");
        } else {
            ::setenv("CI", value, 1);
        }
    }
    ~CiVariable() {
        if (old_) {
            ::setenv("CI", old_->c_str(), 1);
        } else {
            ::unsetenv("CI");
        }
    }
    CiVariable(const CiVariable&) = delete;
    CiVariable& operator=(const CiVariable&) = delete;

private:
    std::optional<std::string> old_;
};

TEST(RequiredTool, SkipsOutsideCiAndFailsUnderIt) {
    using Type = ::testing::TestPartResult::Type;
    struct Case {
        const char* ci; // null: not set
        Type result;
    } cases[] = {
        {nullptr, Type::kSkip},
        {"", Type::kSkip},
        {"0", Type::kSkip},
        {"false", Type::kSkip},
        {"true", Type::kFatalFailure},
        {"1", Type::kFatalFailure},
    };
    for (const Case& k : cases) {
        const std::string name = k.ci == nullptr ? "unset" : std::string("'") + k.ci + "'";
        const CiVariable ci(k.ci);
        EXPECT_EQ(toolsRequired(), k.result == Type::kFatalFailure) << name;
        ::testing::TestPartResultArray results;
        {
            const ::testing::ScopedFakeTestPartResultReporter reporter(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
                &results);
            missingXdotool();
        }
        ASSERT_EQ(results.size(), 1) << name;
        const ::testing::TestPartResult& r = results.GetTestPartResult(0);
        EXPECT_EQ(r.type(), k.result) << name;
        EXPECT_NE(std::string(r.message()).find("xdotool is not installed"), std::string::npos)
            << name << ": " << r.message();
    }
}

} // namespace
} // namespace torvex::testing
