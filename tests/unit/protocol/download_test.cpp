#include "common/ini_store.h"
#include "device/download.h"
#include "fake_mouse.h"
#include "settings/config_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace torvex::device {
namespace {
using testing::FakeMouse;
using testing::hex;
using testing::ManualTimeline;

struct Rig {
    torvex::testing::TempDir dir;
    ManualTimeline timeline;
    FakeMouse mouse{timeline};
    DeviceLink link{mouse};
    FeatureChannel channel{link};
    FilePointerSettings pointer{dir.path() / "pointer.ini"};
    int repaints = 0;

    Rig() { link.findDevice(); }
    DownloadTarget target() {
        return {dir.path() / "config.ini", channel, link, pointer, [this] { ++repaints; }};
    }
};

TEST(Download, DefaultSettingsSendTheFourteenReportsAndSave) {
    Rig rig;
    const MouseSettings settings = builtInDefaults();
    const DownloadResult result = DownloadSettings(rig.target(), settings, 1);

    const std::vector<std::string> expected{
        "07 10 01 01 00 00 00 00 00", "07 10 02 02 00 00 00 00 00", "07 10 03 03 00 00 00 00 00",
        "07 10 05 05 00 00 00 00 00", "07 10 04 04 00 00 00 00 00", "07 10 06 0C 00 00 00 00 00",
        "07 10 08 0B 00 00 00 00 00", "07 11 00 00 00 00 00 00 00", "07 09 40 48 0F 00 00 00 00",
        "07 09 40 69 0F 00 00 00 00", "07 09 40 7A 0F 00 00 00 00", "07 09 40 DB 0F 00 00 00 00",
        // byte 4 still holds the DPI mask: the lighting report does not write it
        "07 13 3F 10 0F 00 00 00 00", "07 12 00 06 00 00 00 00 00"};
    const auto sent = rig.mouse.sentBytes();
    ASSERT_EQ(sent.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sent[i], hex(expected[i])) << "report " << i;
    }

    const std::array<bool, 7> tracking{false, false, false, false, false, true, true};
    EXPECT_EQ(result.state.dpiTrackingButton, tracking);
    EXPECT_EQ(result.state.dpiCode, (std::array<uint8_t, 4>{4, 6, 7, 13}));
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(rig.repaints, 1);

    const auto config = rig.dir.path() / "config.ini";
    EXPECT_EQ(ini::readString(config, "Init", "CurConfig", 5), "1");
    MouseSettings saved6, saved1;
    LoadConfiguration(config, 6, false, 0, saved6);
    LoadConfiguration(config, 1, false, 0, saved1);
    EXPECT_EQ(saved6, settings);
    EXPECT_EQ(saved1, settings);
    EXPECT_EQ(rig.pointer.speed(), 8);
    EXPECT_EQ(rig.pointer.wheelLines(), 3);
}

TEST(Download, ValueMappings) {
    struct Case {
        const char* what;
        void (*change)(MouseSettings&);
        std::size_t report; // index among the fourteen
        const char* bytes;  // the report's first bytes
    };
    const Case cases[] = {
        {"fire time 300", [](MouseSettings& s) { s.fireTime = 300; }, 13, "07 12 00 25 00"},
        {"fire time 7", [](MouseSettings& s) { s.fireTime = 7; }, 13, "07 12 00 00 00"},
        {"fire time 2100", [](MouseSettings& s) { s.fireTime = 2100; }, 13, "07 12 01 06 00"},
        {"media key sent as 0", [](MouseSettings& s) { s.buttonFunction[0] = 29; }, 0,
         "07 10 01 00"},
        {"user macro sent as 0", [](MouseSettings& s) { s.buttonFunction[2] = 52; }, 2,
         "07 10 03 00"},
        {"native 17 sent as 13", [](MouseSettings& s) { s.buttonFunction[1] = 17; }, 1,
         "07 10 02 0D"},
        {"unused 53 sent as 0", [](MouseSettings& s) { s.buttonFunction[1] = 53; }, 1,
         "07 10 02 00"},
        {"wheel on", [](MouseSettings& s) { s.wheelStatus = 1; }, 7, "07 11 01 00"},
        {"no level enabled",
         [](MouseSettings& s) {
             s.dpiSetEnabled = {0, 0, 0, 0};
         },
         8, "07 09 40 48 00"},
        {"level 2 of levels 0 and 2",
         [](MouseSettings& s) {
             s.dpiLevel = 2;
             s.dpiSetEnabled = {1, 0, 1, 0};
         },
         9, "07 09 42 69 05"},
        {"step 3 is 2400 dpi", [](MouseSettings& s) { s.setDpiSet(3, 3); }, 11, "07 09 40 BB 0F"},
        {"step 200 sends 3200", [](MouseSettings& s) { s.setDpiSet(0, 200); }, 8, "07 09 40 D8 0F"},
        {"lighting 3", [](MouseSettings& s) { s.ledStatus = 3; }, 12, "07 13 3F 17"},
        {"lighting 9 falls back to 0", [](MouseSettings& s) { s.ledStatus = 9; }, 12,
         "07 13 3F 10"},
    };
    for (const Case& c : cases) {
        Rig rig;
        MouseSettings settings = builtInDefaults();
        c.change(settings);
        DownloadSettings(rig.target(), settings, 2);
        const auto sent = rig.mouse.sentBytes();
        ASSERT_EQ(sent.size(), 14u) << c.what;
        const auto want = hex(c.bytes);
        EXPECT_EQ(
            std::vector<uint8_t>(sent[c.report].begin(), sent[c.report].begin() + want.size()),
            want)
            << c.what;
    }
}

TEST(Download, PointerSpeedAndWheelLinesFollowTheTables) {
    const std::pair<uint8_t, int> speeds[] = {{0, 1},  {4, 8},   {5, 10},
                                              {9, 18}, {10, 18}, {255, 18}};
    for (const auto& [choice, system] : speeds) {
        EXPECT_EQ(systemPointerSpeed(choice), system) << int(choice);
    }
    EXPECT_EQ(wheelScrollLines(9), 10);
    EXPECT_EQ(wheelScrollLines(255), 0);

    Rig rig;
    MouseSettings settings = builtInDefaults();
    settings.pointerSpeed = 9;
    settings.wheelSpeed = 9;
    DownloadSettings(rig.target(), settings, 1);
    EXPECT_EQ(rig.pointer.speed(), 18);
    EXPECT_EQ(rig.pointer.wheelLines(), 10);

    // A desktop whose values cannot be read is left alone, and the reports still go out.
    NoPointerSettings none;
    DownloadTarget target = rig.target();
    DownloadTarget noDesktop{target.configPath, target.channel, target.link, none, nullptr};
    rig.mouse.clearSent();
    DownloadSettings(noDesktop, settings, 1);
    EXPECT_EQ(rig.mouse.sentBytes().size(), 14u);
}

TEST(Download, WithoutAMouseTheFilesAreStillWritten) {
    Rig rig;
    rig.mouse.present = false;
    DeviceLink absent(rig.mouse);
    EXPECT_FALSE(absent.findDevice());
    FeatureChannel channel(absent);
    DownloadTarget target{rig.dir.path() / "config.ini", channel, absent, rig.pointer, nullptr};
    const DownloadResult result = DownloadSettings(target, builtInDefaults(), 0);
    EXPECT_TRUE(result.saved);
    // A first download without any config.ini creates CurConfig=0, Config6 and Config0.
    const auto config = rig.dir.path() / "config.ini";
    EXPECT_EQ(ini::readString(config, "Init", "CurConfig", 5), "0");
    EXPECT_EQ(ini::readString(config, "Config6", "K5", 5), "16");
    EXPECT_EQ(ini::readString(config, "Config0", "FIRE_TIME", 5), "50");
    EXPECT_TRUE(rig.mouse.sentBytes().empty());
}

TEST(Download, AnUnwritableConfigurationIsReportedAndTheMouseStillGetsTheReports) {
    Rig rig;
    std::filesystem::create_directory(rig.dir.path() / "config.ini"); // a folder in the way
    const DownloadResult result = DownloadSettings(rig.target(), builtInDefaults(), 1);
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(rig.mouse.sentBytes().size(), 14u);
}

TEST(Download, AFeatureCollectionThatFailsEverySendStillSavesEverything) {
    Rig rig;
    rig.mouse.failOpen = true; // both collections fail to open: the invalid-handle state
    DeviceLink failed(rig.mouse);
    failed.findDevice();
    ASSERT_TRUE(failed.writeHandle().isInvalid());
    FeatureChannel channel(failed);
    DownloadTarget target{rig.dir.path() / "config.ini", channel, failed, rig.pointer, nullptr};
    MouseSettings settings = builtInDefaults();
    settings.fireTime = 120;
    const DownloadResult result = DownloadSettings(target, settings, 3);
    EXPECT_TRUE(result.saved);
    EXPECT_TRUE(rig.mouse.sentBytes().empty());
    EXPECT_TRUE(result.state.dpiTrackingButton[5]);
    EXPECT_EQ(ini::readString(target.configPath, "Config3", "FIRE_TIME", 5), "120");
    EXPECT_EQ(ini::readString(target.configPath, "Config6", "FIRE_TIME", 5), "120");
    EXPECT_EQ(rig.pointer.speed(), 8); // the desktop still follows
}

TEST(Download, ExitReportUnlessTheWriteHandleFailed) {
    Rig rig;
    SendExitReport(rig.channel, rig.link);
    const auto sent = rig.mouse.sentBytes();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(sent[0].begin(), sent[0].begin() + 4), hex("07 20 00 00"));

    rig.mouse.failOpen = true;
    DeviceLink failed(rig.mouse);
    failed.findDevice();
    ASSERT_TRUE(failed.writeHandle().isInvalid());
    FeatureChannel channel(failed);
    SendExitReport(channel, failed);
    EXPECT_EQ(channel.contents()[1], 0); // not even built
}

} // namespace
} // namespace torvex::device
