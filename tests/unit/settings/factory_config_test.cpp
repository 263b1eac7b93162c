// Checks the factory config.ini that comes with the program against the macro files it refers to.

#include "macro/macro_file.h"
#include "settings/config_store.h"
#include "settings/function_codes.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace torvex {
namespace {
namespace fs = std::filesystem;

const fs::path kData = fs::path(TORVEX_SOURCE_DIR) / "data";

MacroTable loadTable(const fs::path& file, MacroTableKind kind) {
    MacroTable table(kind);
    EXPECT_TRUE(LoadMacroFile(file, table).fileFound) << file;
    return table;
}

MouseSettings load(const std::string& section) {
    // Section names are "Config<n>" or "CfgReset<n>"; CfgReset_EN5 is the reset of 5 in English.
    MouseSettings s;
    if (section == "CfgReset_EN5") {
        LoadConfiguration(kData / "config.ini", 5, true, 1, s);
    } else if (section.starts_with("CfgReset")) {
        LoadConfiguration(kData / "config.ini", std::stoi(section.substr(8)), true, 0, s);
    } else {
        LoadConfiguration(kData / "config.ini", std::stoi(section.substr(6)), false, 0, s);
    }
    return s;
}

TEST(FactoryConfig, StartsInChineseOnProfileOne) {
    EXPECT_EQ(ReadCurConfig(kData / "config.ini"), 1);
    EXPECT_EQ(ReadLanguage(kData / "config.ini"), 0);
}

TEST(FactoryConfig, ProfilesAreWhatRestoreDefaultsWouldWrite) {
    const testing::TempDir tmp("torvex-factory");
    const fs::path copy = tmp.path() / "config.ini";
    fs::copy_file(kData / "config.ini", copy);
    MouseSettings s;
    ASSERT_TRUE(RestoreFactorySettings(copy, 1, 0, s));
    for (int n = 1; n <= kProfileCount; ++n) {
        MouseSettings restored;
        LoadConfiguration(copy, n, false, 0, restored);
        EXPECT_EQ(load("Config" + std::to_string(n)), restored) << n;
    }
    EXPECT_EQ(load("CfgReset1"), builtInDefaults());
}

TEST(FactoryConfig, EveryFactoryProfileIsUsableAndDistinct) {
    const MacroTable fixed = loadTable(kData / "constMacro.dat", MacroTableKind::Fixed);
    const MacroTable userCn =
        loadTable(kData / "skins" / "INI_CN" / "defMacro.dat", MacroTableKind::User);
    const MacroTable userEn =
        loadTable(kData / "skins" / "INI_EN" / "defMacro.dat", MacroTableKind::User);

    std::vector<MouseSettings> profiles;
    for (const std::string section :
         {"CfgReset1", "CfgReset2", "CfgReset3", "CfgReset4", "CfgReset5", "CfgReset_EN5"}) {
        SCOPED_TRACE(section);
        const MouseSettings s = load(section);
        const MacroTable& user = section == "CfgReset_EN5" ? userEn : userCn;
        EXPECT_EQ(std::count(profiles.begin(), profiles.end(), s), 0);
        profiles.push_back(s);

        EXPECT_NE(std::count(s.buttonFunction.begin(), s.buttonFunction.end(), kLeftClickCode), 0);
        for (const int code : s.buttonFunction) {
            const FunctionInfo info = functionInfo(code);
            EXPECT_NE(info.category, FunctionCategory::None) << code;
            if (info.category == FunctionCategory::FixedMacro) {
                EXPECT_LT(info.slot, fixed.count) << code;
            }
            if (info.category == FunctionCategory::UserMacro) {
                EXPECT_LT(info.slot, user.count) << code;
            }
        }
        ASSERT_TRUE(s.dpiLevel >= 0 && s.dpiLevel < 4);
        EXPECT_EQ(s.dpiSetEnabled[static_cast<std::size_t>(s.dpiLevel)], 1);
        for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
            EXPECT_LE(s.dpiSet(j), 4);
            EXPECT_LE(s.dpiSetEnabled[j], 1);
        }
        EXPECT_LE(s.ledStatus, 3);
        EXPECT_LE(s.pointerSpeed, 9);
        EXPECT_LE(s.wheelSpeed, 9);
        EXPECT_TRUE(s.fireTime >= 0 && s.fireTime <= 300);
        // A rapid-fire interval of its own only matters where a button fires with it.
        constexpr int rapidFireCode = 11;
        if (s.fireTime != builtInDefaults().fireTime) {
            EXPECT_NE(std::count(s.buttonFunction.begin(), s.buttonFunction.end(), rapidFireCode),
                      0);
        }
        EXPECT_TRUE(s.wheelStatus == 0 || s.wheelStatus == 1);
        EXPECT_EQ(s.macroMode, 0);
    }

    // Profile 5 plays the same example macros whichever language's set is loaded.
    const MouseSettings cn = load("CfgReset5");
    const MouseSettings en = load("CfgReset_EN5");
    for (std::size_t i = 0; i < kButtonCount; ++i) {
        const FunctionInfo a = functionInfo(cn.buttonFunction[i]);
        const FunctionInfo b = functionInfo(en.buttonFunction[i]);
        ASSERT_EQ(a.category, b.category) << i;
        if (a.category == FunctionCategory::UserMacro) {
            const auto& ra = userCn.records[static_cast<std::size_t>(a.slot)];
            const auto& rb = userEn.records[static_cast<std::size_t>(b.slot)];
            EXPECT_EQ(ra.events, rb.events) << i;
            EXPECT_EQ(ra.repeatMode, rb.repeatMode) << i;
            EXPECT_EQ(ra.repeatCount(), rb.repeatCount()) << i;
        } else {
            EXPECT_EQ(cn.buttonFunction[i], en.buttonFunction[i]) << i;
        }
    }
}

} // namespace
} // namespace torvex
