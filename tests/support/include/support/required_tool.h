// What a test does when the machine lacks a tool it drives (Xvfb, trayer, xdotool,
// dbus-run-session): on a developer's machine it skips; under CI it fails, so that a CI image
// without the tools cannot pass by skipping every window test.
#pragma once

#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>

namespace torvex::testing {

// Whether the run is CI's: the variable CI set (CI services and .ci/run set CI=true), and not to
// "", "0" or "false".
inline bool toolsRequired() {
    const char* ci = std::getenv("CI");
    if (ci == nullptr) {
        return false;
    }
    const std::string_view value(ci);
    return !value.empty() && value != "0" && value != "false";
}

} // namespace torvex::testing

// Ends the calling test (from its body, SetUp, or a helper either calls) for want of a tool: a
// skip, or a failure under CI. `what` may be a chain of << operands.
#define TORVEX_MISSING_TOOL(what)                                                                  \
    do {                                                                                           \
        if (::torvex::testing::toolsRequired()) {                                                  \
            GTEST_FAIL() << what << " (CI is set: the tool is required)";                          \
        }                                                                                          \
        GTEST_SKIP() << what;                                                                      \
    } while (false)
