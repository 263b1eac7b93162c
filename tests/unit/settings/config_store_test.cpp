#include "common/ini_store.h"
#include "settings/config_store.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace torvex {
namespace {
namespace fs = std::filesystem;

// The lines of an exported file of the built-in defaults with macroMode 0, in order.
const char* const kDefaultExport[] = {
    "[Config7]",     "K0=1",          "K1=2",          "K2=3",          "K3=5",
    "K4=4",          "K5=16",         "K6=15",         "DPI_LEVEL=0",   "WHEEL_STATUS=0",
    "MACRO_MODE2=0", "DPI_SET0=0",    "DPI_SET_EN0=1", "DPI_SET1=1",    "DPI_SET_EN1=1",
    "DPI_SET2=2",    "DPI_SET_EN2=1", "DPI_SET3=4",    "DPI_SET_EN3=1", "LED_STATUS=0",
    "DPI_SPEED=4",   "WHEEL_SPEED=2", "USB_SPEED=2",   "FIRE_TIME=50",
};

class ConfigStore : public ::testing::Test {
protected:
    void put(const std::string& bytes) const { std::ofstream(file_, std::ios::binary) << bytes; }
    std::string contents() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string raw(const std::string& section, const std::string& key) const {
        return ini::readString(file_, section, key, 256);
    }
    MouseSettings load(int number, bool fromReset = false, int language = 0) const {
        MouseSettings s;
        LoadConfiguration(file_, number, fromReset, language, s);
        return s;
    }

    testing::TempDir tmp_{"torvex-settings"};
    const fs::path dir_ = tmp_.path();
    const fs::path file_ = dir_ / "config.ini";
};

// A configuration in which every field differs from the built-in defaults and from zero.
MouseSettings unusual() {
    MouseSettings s;
    s.buttonFunction = {41, 1, 21, 6, 17, 52, 39};
    s.wheelStatus = 1;
    s.macroMode = 1;
    s.dpiLevel = 3;
    s.setDpiSet(0, 4);
    s.setDpiSet(1, 3);
    s.setDpiSet(2, 1);
    s.setDpiSet(3, 200);
    s.dpiSetEnabled = {0, 1, 0, 1};
    s.ledStatus = 3;
    s.pointerSpeed = 9;
    s.wheelSpeed = 7;
    s.usbSpeed = 250;
    s.fireTime = 296;
    return s;
}

TEST_F(ConfigStore, ExportOfTheDefaultsIsExactlyTheseLines) {
    ASSERT_TRUE(ExportConfiguration(file_, builtInDefaults()));
    std::string expected;
    for (const char* line : kDefaultExport) {
        expected += std::string(line) + "\n";
    }
    EXPECT_EQ(contents(), expected);
}

TEST_F(ConfigStore, DefaultsKeepTheirLayoutEntriesInStep) {
    const MouseSettings d = builtInDefaults();
    EXPECT_EQ(d.dpiChoiceEntries(), (std::array<int, 4>{60, 66, 72, 79}));
    MouseSettings s;
    s.setDpiSet(1, 3);
    EXPECT_EQ(s.dpiChoiceEntry(1), 68);
}

TEST_F(ConfigStore, ReadRules) {
    const struct {
        const char* line;
        std::function<bool(const MouseSettings&)> holds;
    } cases[] = {
        {"K3=12345", [](auto& s) { return s.buttonFunction[3] == 1234; }},
        {"K0=-7", [](auto& s) { return s.buttonFunction[0] == -7; }},
        {"K6=abc", [](auto& s) { return s.buttonFunction[6] == 0; }},
        {"K2=  41 # note", [](auto& s) { return s.buttonFunction[2] == 41; }},
        {"DPI_SET0=300", [](auto& s) { return s.dpiSet(0) == 44 && s.dpiChoiceEntry(0) == 104; }},
        {"DPI_SET1=3", [](auto& s) { return s.dpiSet(1) == 3 && s.dpiChoiceEntry(1) == 68; }},
        // Nine characters are read: 123456789 keeps its low byte.
        {"DPI_SET2=1234567890123", [](auto& s) { return s.dpiSet(2) == (123456789 & 0xFF); }},
        {"DPI_SET_EN2=5", [](auto& s) { return s.dpiSetEnabled[2] == 1; }},
        {"DPI_SET_EN3=-1", [](auto& s) { return s.dpiSetEnabled[3] == 1; }},
        {"DPI_SET_EN1=x1", [](auto& s) { return s.dpiSetEnabled[1] == 0; }},
        {"LED_STATUS=-1", [](auto& s) { return s.ledStatus == 255; }},
        {"DPI_SPEED=265", [](auto& s) { return s.pointerSpeed == 9; }},
        {"WHEEL_SPEED=+3", [](auto& s) { return s.wheelSpeed == 3; }},
        {"USB_SPEED=99999", [](auto& s) { return s.usbSpeed == (9999 & 0xFF); }},
        {"FIRE_TIME=300ms", [](auto& s) { return s.fireTime == 300; }},
        {"dpi_level=2", [](auto& s) { return s.dpiLevel == 2; }},
        {"MACRO_MODE2=1", [](auto& s) { return s.macroMode == 1; }},
        {"WHEEL_STATUS=1", [](auto& s) { return s.wheelStatus == 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        put(std::string("[config2]\n") + c.line + "\n");
        EXPECT_TRUE(c.holds(load(2)));
    }
}

TEST_F(ConfigStore, LoadedBytesAreWrittenBackAsBytes) {
    put("[Config2]\nLED_STATUS=-1\nDPI_SET_EN2=5\nDPI_SET0=300\nK3=12345\n");
    ASSERT_TRUE(SaveConfiguration(file_, 3, load(2)));
    EXPECT_EQ(raw("Config3", "LED_STATUS"), "255");
    EXPECT_EQ(raw("Config3", "DPI_SET_EN2"), "1");
    EXPECT_EQ(raw("Config3", "DPI_SET0"), "44");
    EXPECT_EQ(raw("Config3", "K3"), "1234");
}

TEST_F(ConfigStore, MissingSectionOrFileLoadsAllZeros) {
    const MouseSettings zero{};
    EXPECT_EQ(zero.dpiChoiceEntries(), (std::array<int, 4>{60, 65, 70, 75}));
    for (const bool fileExists : {false, true}) {
        if (fileExists) {
            put("[Config1]\nK0=1\n");
        }
        MouseSettings s = unusual();
        LoadConfiguration(file_, 4, false, 0, s);
        EXPECT_EQ(s, zero) << "file exists: " << fileExists;
    }
}

TEST_F(ConfigStore, SaveWritesEveryKeyInOrderAndLeavesTheRestOfTheFile) {
    const std::string before = "; hand-written\r\n[Init]\r\nCurConfig=2\r\n\r\n[Other]\r\nX=1\r\n";
    put(before);
    ASSERT_TRUE(SaveConfiguration(file_, 2, builtInDefaults()));
    const std::string after = contents();
    ASSERT_EQ(after.substr(0, before.size()), before);
    std::string section = "[Config2]\r\n";
    for (std::size_t i = 1; i < std::size(kDefaultExport); ++i) {
        section += std::string(kDefaultExport[i]) + "\r\n";
    }
    EXPECT_EQ(after.substr(before.size()), section);
}

TEST_F(ConfigStore, SaveAndLoadRoundTripEveryField) {
    const MouseSettings s = unusual();
    ASSERT_TRUE(SaveConfiguration(file_, 3, s));
    EXPECT_EQ(load(3), s);
}

TEST_F(ConfigStore, ExportThenImportKeepsTheModel) {
    const fs::path exported = dir_ / "mine.ini";
    ASSERT_TRUE(ExportConfiguration(exported, unusual()));
    MouseSettings s;
    ImportConfiguration(exported, s);
    EXPECT_EQ(s, unusual());
}

TEST_F(ConfigStore, ImportTakesOnlyWhatTheFileHolds) {
    put("[Config7]\nK0=0\n");
    MouseSettings s = unusual();
    ImportConfiguration(file_, s);
    EXPECT_EQ(s, MouseSettings{});

    put("[Config1]\nK0=5\n"); // no Config7 at all
    s = unusual();
    ImportConfiguration(file_, s);
    EXPECT_EQ(s, MouseSettings{});
}

TEST_F(ConfigStore, ExportIntoConfigIniChangesNoProfile) {
    ASSERT_TRUE(SaveConfiguration(file_, 1, unusual()));
    const std::string before = contents();
    ASSERT_TRUE(ExportConfiguration(file_, builtInDefaults()));
    EXPECT_EQ(contents().substr(0, before.size()), before);
    EXPECT_EQ(load(1), unusual());
    EXPECT_EQ(load(7), builtInDefaults());
}

TEST_F(ConfigStore, SaveDpiLevelWritesOnlyThatKey) {
    ASSERT_TRUE(SaveConfiguration(file_, 6, unusual()));
    ASSERT_TRUE(SaveDpiLevel(file_, 6, 1));
    MouseSettings expected = unusual();
    expected.dpiLevel = 1;
    EXPECT_EQ(load(6), expected);
    ASSERT_TRUE(SaveDpiLevel(file_, 2, 3));
    EXPECT_EQ(contents().substr(contents().find("[Config2]")), "[Config2]\nDPI_LEVEL=3\n");
}

TEST_F(ConfigStore, InitKeys) {
    EXPECT_EQ(ReadLanguage(file_), 0);
    EXPECT_EQ(ReadCurConfig(file_), 0);
    const struct {
        const char* text;
        int language;
        int curConfig;
    } cases[] = {
        {"[Init]\nVER_SEL=1\nCurConfig=3\n", 1, 3},
        {"[init]\nver_sel=257\ncurconfig=123456\n", 1, 1234},
        {"[Init]\nVER_SEL=256\nCurConfig=-2\n", 0, -2},
        {"[Init]\nVER_SEL=English\nCurConfig=\n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        put(c.text);
        EXPECT_EQ(ReadLanguage(file_), c.language);
        EXPECT_EQ(ReadCurConfig(file_), c.curConfig);
    }
    ASSERT_TRUE(WriteLanguage(file_, 0));
    ASSERT_TRUE(WriteCurConfig(file_, 5));
    EXPECT_EQ(raw("Init", "VER_SEL"), "0");
    EXPECT_EQ(raw("Init", "CurConfig"), "5");
}

TEST_F(ConfigStore, SectionNames) {
    EXPECT_EQ(configSectionName(3, false, 1), "Config3");
    EXPECT_EQ(configSectionName(5, false, 1), "Config5");
    EXPECT_EQ(configSectionName(5, true, 0), "CfgReset5");
    EXPECT_EQ(configSectionName(5, true, 1), "CfgReset_EN5");
    EXPECT_EQ(configSectionName(4, true, 1), "CfgReset4");
    EXPECT_EQ(configSectionName(0, false, 0), "Config0");
}

// A factory file whose reset sections are told apart by K0 (and hold a macro mode of their own).
std::string factoryFile() {
    std::string text = "[Init]\nCurConfig=5\n";
    for (int n = 1; n <= 5; ++n) {
        text += "[Config" + std::to_string(n) + "]\nK0=9" + std::to_string(n) + "\nFIRE_TIME=1\n";
    }
    for (int n = 1; n <= 5; ++n) {
        text += "[CfgReset" + std::to_string(n) + "]\nK0=" + std::to_string(n) +
                "\nK6=41\nDPI_SET2=3\nDPI_SET_EN2=1\nMACRO_MODE2=0\n";
    }
    text += "[CfgReset_EN5]\nK0=55\nK6=42\nMACRO_MODE2=1\n";
    return text;
}

TEST_F(ConfigStore, RestoreFactorySettingsByLanguage) {
    const struct {
        int language;
        int expectedConfig5K0;
    } cases[] = {{1, 55}, {0, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        put(factoryFile());
        MouseSettings s = unusual(); // macroMode 1
        ASSERT_TRUE(RestoreFactorySettings(file_, 5, c.language, s));

        MouseSettings config1 = builtInDefaults();
        config1.macroMode = 1; // the user's mode stays with the built-in profile
        EXPECT_EQ(load(1), config1);
        for (int n = 2; n <= 4; ++n) {
            EXPECT_EQ(load(n), load(n, true)) << n;
        }
        EXPECT_EQ(load(5), load(5, true, c.language));
        EXPECT_EQ(load(5).buttonFunction[0], c.expectedConfig5K0);
        EXPECT_EQ(s, load(5)); // the current profile is loaded again
    }
}

TEST_F(ConfigStore, RestoreWithAMissingFactorySectionGivesZeros) {
    put("[CfgReset2]\nK0=2\n[CfgReset4]\nK0=4\n");
    MouseSettings s;
    ASSERT_TRUE(RestoreFactorySettings(file_, 3, 0, s));
    EXPECT_EQ(load(3), MouseSettings{});
    EXPECT_EQ(s, MouseSettings{});
    EXPECT_EQ(load(4).buttonFunction[0], 4);
}

TEST_F(ConfigStore, FailedWritesAreReportedAndChangeNothing) {
    const fs::path blocker = dir_ / "not-a-folder";
    std::ofstream(blocker) << "x";
    const fs::path file = blocker / "config.ini";
    std::string error;
    EXPECT_FALSE(SaveConfiguration(file, 1, builtInDefaults(), &error));
    EXPECT_FALSE(error.empty());
    MouseSettings s;
    EXPECT_FALSE(RestoreFactorySettings(file, 1, 0, s));
    EXPECT_FALSE(ExportConfiguration(file, s));
    EXPECT_FALSE(SaveDpiLevel(file, 1, 0));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ConfigStore, GarbageAndHugeLinesNeverBreakLoading) {
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 20000; ++i) {
        garbage += static_cast<char>(random() & 0xFF);
    }
    const std::string text = garbage + "\n[Config1]\n" + "K0=" + std::string(10000, '9') + "\n" +
                             std::string(50000, 'x') + "\nK1=" + garbage.substr(0, 3000) +
                             "\nDPI_SET0=" + std::string(5000, '7') + "\nFIRE_TIME=12\n" + garbage;
    put(text);
    const MouseSettings s = load(1);
    EXPECT_EQ(s.buttonFunction[0], 9999);
    EXPECT_EQ(s.dpiSet(0), 777777777 & 0xFF);
    // Some leading garbage may by chance form a section header, but the keys written after it
    // are found.
    EXPECT_EQ(s.fireTime, 12);

    // Writing into such a file keeps its bytes apart from the key written.
    ASSERT_TRUE(SaveDpiLevel(file_, 1, 2));
    EXPECT_EQ(load(1).dpiLevel, 2);
    EXPECT_NE(contents().find(garbage), std::string::npos);
}

} // namespace
} // namespace torvex
