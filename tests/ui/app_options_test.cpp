// The window program's command line.
#include "app/app_options.h"

#include <gtest/gtest.h>

namespace torvex::app {
namespace {

TEST(AppOptions, EveryFormAndEveryMistake) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::string home;
        bool virtualMouse;
        std::string vmDir;
        bool hidden;
    } cases[] = {
        {{}, true, "", false, "", false},
        {{"--home", "/h"}, true, "/h", false, "", false},
        {{"--home=/h", "--virtual-mouse"}, true, "/h", true, "", false},
        {{"--virtual-mouse=/v", "--hidden"}, true, "", true, "/v", true},
        {{"--home"}, false, "", false, "", false},
        {{"--home="}, false, "", false, "", false},
        {{"--virtual-mouse="}, false, "", false, "", false},
        {{"--frobnicate"}, false, "", false, "", false},
        {{"extra"}, false, "", false, "", false},
    };
    for (const Case& c : cases) {
        const AppParse p = parseAppOptions(c.args);
        ASSERT_EQ(p.options.has_value(), c.ok) << (c.args.empty() ? "" : c.args[0]);
        if (!c.ok) {
            EXPECT_FALSE(p.error.empty());
            continue;
        }
        EXPECT_EQ(p.options->home.value_or("").string(), c.home);
        EXPECT_EQ(p.options->virtualMouse, c.virtualMouse);
        EXPECT_EQ(p.options->virtualMouseDir.value_or("").string(), c.vmDir);
        EXPECT_EQ(p.options->hidden, c.hidden);
    }
    const std::vector<std::string> help{"--help"};
    EXPECT_TRUE(parseAppOptions(help).options->help);
    const std::vector<std::string> version{"--version"};
    EXPECT_TRUE(parseAppOptions(version).options->version);
    EXPECT_NE(appUsage().find("--virtual-mouse[=DIR]"), std::string::npos);
}

} // namespace
} // namespace torvex::app
