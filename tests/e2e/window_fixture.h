// A test that drives the real window: factory files in a fresh settings folder, the virtual
// mouse, and an X server of the test's own.
#pragma once

#include "support/programs.h"
#include "support/required_tool.h"
#include "support/skin_layout.h"
#include "support/x_server.h"
#include "support/x_windows.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>

namespace torvex::testing {

class WindowFixture : public ::testing::Test {
protected:
    // Starts the window under <build>/tests/<folder>/<pid>; skips when a tool is missing (fails
    // under CI).
    void startWindow(const std::string& folder, std::initializer_list<const char*> tools) {
        namespace fs = std::filesystem;
        using namespace std::chrono_literals;
        for (const char* tool : tools) {
            if (!installed(tool)) {
                TORVEX_MISSING_TOOL(tool << " is not installed");
            }
        }
        scratch = fs::path(TORVEX_BINARY_DIR) / "tests" / folder / std::to_string(::getpid());
        fs::remove_all(scratch);
        fs::create_directories(scratch / "home");
        fs::create_directories(scratch / "vm");
        for (const char* f : {"config.ini", "Macro_CN.dat", "Macro_EN.dat", "constMacro.dat"}) {
            fs::copy_file(kData / f, scratch / "home" / f);
        }
        x = std::make_unique<XServer>(scratch);
        ASSERT_TRUE(x->ready()) << x->error();
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        torvex = std::make_unique<Process>(
            kTorvex,
            std::vector<std::string>{"--virtual-mouse=" + (scratch / "vm").string(), "--home",
                                     (scratch / "home").string()},
            scratch);
        ASSERT_TRUE(eventually([&] { return !visibleWindow(kTitleCn).empty(); }, 60s))
            << diagnose(*torvex);
        main = windowPosition(visibleWindow(kTitleCn));
    }
    void TearDown() override {
        if (torvex) {
            torvex->stop(SIGTERM, std::chrono::seconds(20));
        }
    }
    std::string reports() const { return slurp(scratch / "vm" / "reports.log"); }

    std::filesystem::path scratch;
    std::unique_ptr<XServer> x;
    std::unique_ptr<Process> torvex;
    Point main; // the window's top-left corner on the screen
};

} // namespace torvex::testing
