#include "common/ini_store.h"
#include "device/button_events.h"
#include "device/launcher.h"
#include "fake_mouse.h"
#include "support/temp_dir.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>

namespace torvex::device {
namespace {
using namespace std::chrono_literals;
using testing::FakeMouse;
using testing::hex;
using testing::ManualTimeline;

std::vector<uint8_t> press(int physical, int level = 0) {
    return {0x07, static_cast<uint8_t>(0xF0 + physical), static_cast<uint8_t>(level)};
}
std::vector<uint8_t> release(int physical) {
    return {0x07, static_cast<uint8_t>(0xF0 + physical), 0x80};
}

// A macro of `events` (code, action, delay).
MacroRecord macro(std::initializer_list<std::tuple<uint8_t, uint8_t, uint16_t>> events,
                  uint8_t repeatMode = 0, uint16_t repeatCount = 1) {
    MacroRecord r{};
    r.repeatMode = repeatMode;
    r.setRepeatCount(repeatCount);
    for (const auto& [code, action, delay] : events) {
        r.events[r.eventCount] = {code, action};
        r.setDelay(r.eventCount, delay);
        ++r.eventCount;
    }
    return r;
}

struct Rig {
    torvex::testing::TempDir dir;
    ManualTimeline timeline;
    FakeMouse mouse{timeline};
    DeviceLink link{mouse};
    FeatureChannel channel{link};
    MacroTables macros;
    std::mutex settingsMutex;
    ButtonSettings settings;
    std::vector<int> levels;
    std::vector<int> launched;
    std::vector<int> repetitions;
    ButtonEventService service{link, channel, macros, timeline, dir.path() / "config.ini", hooks()};

    Rig() {
        link.findDevice();
        settings.buttonFunction = {1, 2, 3, 5, 4, 16, 15};
        settings.curConfig = 2;
        service.setDpiTracking({false, false, false, false, false, true, true});
    }
    ButtonEventHooks hooks() {
        ButtonEventHooks h;
        h.settings = [this] {
            std::lock_guard lock(settingsMutex);
            return settings;
        };
        h.dpiLevelChanged = [this](int level) { levels.push_back(level); };
        h.launch = [this](int code) { launched.push_back(code); };
        h.repetitionPlayed = [this](MacroTableKind, int, int j) { repetitions.push_back(j); };
        return h;
    }
    void setButton(int button, int function) {
        std::lock_guard lock(settingsMutex);
        settings.buttonFunction[button] = function;
    }
    std::vector<uint8_t> commands() const {
        std::vector<uint8_t> out;
        for (const auto& r : mouse.sentBytes()) {
            out.push_back(r[1]);
        }
        return out;
    }
};

TEST(ButtonEvents, ReportsThatAreNotButtonEventsDoNothing) {
    Rig rig;
    const std::vector<std::vector<uint8_t>> ignored{
        {}, {0x07}, {0x07, 0xF0, 0x00}, {0x07, 0x10, 0x01}, {0x07, 0x00}};
    for (const auto& report : ignored) {
        rig.service.handleInputReport(report);
        EXPECT_FALSE(rig.service.eventPending());
    }
    rig.service.handleInputReport(std::vector<uint8_t>{0x07, 0xF1}); // short press: level reads 0
    EXPECT_TRUE(rig.service.eventPending());
}

TEST(ButtonEvents, DpiButtonSavesTheLevelAndSendsNothing) {
    Rig rig;
    rig.service.handleInputReport(press(6, 2)); // button 5, function 16
    ASSERT_TRUE(rig.service.performPending());
    EXPECT_EQ(rig.levels, std::vector<int>{2});
    EXPECT_EQ(ini::readString(rig.dir.path() / "config.ini", "Config2", "DPI_LEVEL", 5), "2");
    EXPECT_TRUE(rig.mouse.sentBytes().empty());
    EXPECT_FALSE(rig.service.eventPending());

    // Tracking follows the last download, not the current function: a DPI button given a media
    // key since then does both.
    rig.setButton(5, 29);
    rig.service.handleInputReport(press(6, 1));
    rig.service.performPending();
    EXPECT_EQ(rig.levels, (std::vector<int>{2, 1}));
    EXPECT_EQ(rig.mouse.sentBytes(),
              std::vector<std::vector<uint8_t>>{hex("07 17 00 CD 00 00 00 00 00")});
}

TEST(ButtonEvents, MediaKeyOnPressNothingOnReleaseAndProgramsAreLaunched) {
    Rig rig;
    rig.setButton(3, 29);
    rig.service.handleInputReport(press(5));
    rig.service.performPending();
    rig.service.handleInputReport(release(5));
    rig.service.performPending();
    EXPECT_EQ(rig.commands(), std::vector<uint8_t>{0x17});

    rig.setButton(0, 39);
    rig.setButton(1, 40);
    rig.service.handleInputReport(press(1));
    rig.service.performPending();
    rig.service.handleInputReport(press(2));
    rig.service.performPending();
    EXPECT_EQ(rig.launched, (std::vector<int>{39, 40}));
}

TEST(ButtonEvents, MacroRepetitionsAndTiming) {
    Rig rig;
    rig.macros.macroTable.records[0] = macro({{0x04, 1, 0}, {0x04, 2, 0}}, 1, 3);
    rig.macros.macroTable.count = 1;
    rig.setButton(2, 41);
    const auto start = rig.timeline.now();
    rig.service.handleInputReport(press(3));
    rig.service.performPending();
    EXPECT_EQ(rig.repetitions, (std::vector<int>{0, 1, 2}));
    const auto sent = rig.mouse.sent();
    ASSERT_EQ(sent.size(), 12u); // per repetition: down, up, buttons, keys
    const std::vector<uint8_t> commands = rig.commands();
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(std::vector<uint8_t>(commands.begin() + 4 * j, commands.begin() + 4 * j + 4),
                  (std::vector<uint8_t>{0x15, 0x15, 0x16, 0x15}));
        // A down (0 ms stored, 10 ms waited), A up, release-all 10 ms and 10 ms later.
        const auto base = start + j * 40ms;
        EXPECT_EQ(sent[4 * j].time, base);
        EXPECT_EQ(sent[4 * j + 1].time, base + 10ms);
        EXPECT_EQ(sent[4 * j + 2].time, base + 30ms);
        EXPECT_EQ(sent[4 * j + 3].time, base + 40ms);
    }

    // repeatCount 0 plays nothing at all; repeatMode 0 plays once.
    const std::pair<MacroRecord, std::size_t> cases[] = {{macro({{0x04, 1, 30}}, 1, 0), 0u},
                                                         {macro({{0x04, 1, 30}}, 0, 9), 3u},
                                                         {macro({}, 0, 1), 2u}};
    for (const auto& [record, reports] : cases) {
        rig.mouse.clearSent();
        rig.macros.macroTable.records[0] = record;
        rig.service.handleInputReport(press(3));
        rig.service.performPending();
        EXPECT_EQ(rig.mouse.sentBytes().size(), reports);
    }
}

TEST(ButtonEvents, SecondPressStopsAfterTheRepetitionInProgress) {
    Rig rig;
    rig.macros.macroTable.records[1] = macro({{0x05, 1, 100}, {0x05, 2, 100}}, 1, 50);
    rig.macros.macroTable.count = 2;
    rig.setButton(0, 42);
    int sleeps = 0;
    rig.timeline.onSleep = [&] {
        if (++sleeps == 3) {                           // during the first repetition's release-all
            rig.service.handleInputReport(release(4)); // ignored without hold mode
            rig.service.handleInputReport(press(4));   // any button's press stops it
        }
    };
    rig.service.handleInputReport(press(1));
    rig.service.performPending();
    EXPECT_EQ(rig.repetitions, std::vector<int>{0});
    EXPECT_FALSE(rig.service.stopRequested());
    EXPECT_FALSE(rig.service.eventPending()); // the second press started nothing
}

TEST(ButtonEvents, HoldModeRepeatsUntilReleaseAndFixedMacrosPlayOnce) {
    Rig rig;
    {
        std::lock_guard lock(rig.settingsMutex);
        rig.settings.macroMode = 1;
    }
    rig.macros.macroTable.records[0] = macro({{0x06, 1, 10}, {0x06, 2, 10}});
    rig.macros.macroTable.count = 1;
    rig.macros.constMacroTable.records[7] = macro({{0xE3, 1, 10}, {0x07, 1, 10}}, 1, 5);
    rig.macros.constMacroTable.count = 8;
    rig.setButton(4, 41);
    rig.setButton(3, 38);
    int sleeps = 0;
    rig.timeline.onSleep = [&] {
        if (++sleeps == 9) { // inside the third repetition (four sleeps per repetition)
            rig.service.handleInputReport(release(4));
        }
    };
    rig.service.handleInputReport(press(4));
    rig.service.performPending();
    EXPECT_EQ(rig.repetitions, (std::vector<int>{0, 1, 2}));

    rig.timeline.onSleep = nullptr;
    rig.repetitions.clear();
    rig.service.handleInputReport(press(5));
    rig.service.performPending();
    EXPECT_EQ(rig.repetitions, std::vector<int>{0});

    // A release while nothing plays leaves nothing behind for the next macro.
    rig.repetitions.clear();
    rig.service.handleInputReport(release(4));
    EXPECT_FALSE(rig.service.stopRequested());
}

TEST(ButtonEvents, ThreadsPlayAMacroAndStopPromptlyInTheMiddleOfOne) {
    torvex::testing::TempDir dir;
    SteadyTimeline timeline;
    FakeMouse mouse{timeline};
    DeviceLink link{mouse};
    ASSERT_TRUE(link.findDevice());
    FeatureChannel channel{link};
    MacroTables macros;
    macros.macroTable.records[0] = macro({{0x04, 1, 10}, {0x04, 2, 60000}});
    macros.macroTable.count = 1;
    ButtonEventHooks hooks;
    hooks.settings = [] {
        ButtonSettings s;
        s.buttonFunction = {41, 2, 3, 5, 4, 16, 15};
        return s;
    };
    ButtonEventService service{link, channel, macros, timeline, dir.path() / "config.ini", hooks};
    service.start();
    mouse.pushInput(press(1));
    ASSERT_TRUE(mouse.waitForSent(2)); // A down, A up; now a minute's pause
    const auto before = std::chrono::steady_clock::now();
    service.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_EQ(mouse.sentBytes().size(), 2u); // nothing after the stop
}

TEST(ButtonEvents, AnEditDuringPlaybackReachesTheEventsNotYetPlayed) {
    torvex::testing::TempDir dir;
    SteadyTimeline timeline;
    FakeMouse mouse{timeline};
    DeviceLink link{mouse};
    ASSERT_TRUE(link.findDevice());
    FeatureChannel channel{link};
    MacroTables macros;
    macros.macroTable.records[0] =
        macro({{0x04, 1, 10}, {0x04, 2, 200}, {0x05, 1, 10}, {0x05, 2, 10}});
    macros.macroTable.count = 1;
    ButtonEventHooks hooks;
    hooks.settings = [] {
        ButtonSettings s;
        s.buttonFunction = {41, 2, 3, 5, 4, 16, 15};
        return s;
    };
    ButtonEventService service{link, channel, macros, timeline, dir.path() / "config.ini", hooks};
    service.start();
    mouse.pushInput(press(1));
    ASSERT_TRUE(mouse.waitForSent(2)); // in the 200 ms pause after the second event
    {
        std::lock_guard lock(macros.mutex);
        macros.macroTable.records[0].events[2] = {0x06, 1}; // the UI thread edits the next event
        macros.macroTable.records[0].eventCount = 3;        // and drops the last one
    }
    ASSERT_TRUE(mouse.waitForSent(5));
    service.stop();
    const auto sent = mouse.sentBytes();
    ASSERT_EQ(sent.size(), 5u); // three events, then the release-all pair
    EXPECT_EQ(sent[2], hex("07 15 06 00 00 00 00 00 00"));
    EXPECT_EQ(sent[3][1], 0x16);
}

TEST(Launcher, StartsTheFirstInstalledCandidateWithoutAShell) {
    const std::string_view candidates[] = {"torvex-no-such-program", "true", "false"};
    EXPECT_EQ(launchFirstAvailable(candidates), "true");
    const std::string_view none[] = {"torvex-no-such-program", "/nonexistent/prog"};
    EXPECT_EQ(launchFirstAvailable(none), "");
    const std::string_view shellText[] = {"true; touch /tmp/torvex-launcher-shell"};
    EXPECT_EQ(launchFirstAvailable(shellText), ""); // a name, never a command line
    EXPECT_FALSE(std::filesystem::exists("/tmp/torvex-launcher-shell"));
}

TEST(Launcher, TheStartedProgramDoesNotInheritOurBlockedSignals) {
    torvex::testing::TempDir dir;
    const auto probe = dir.path() / "torvex-signal-probe";
    const auto out = dir.path() / "mask";
    // Built-ins only before the mask is read: a shell blocks every signal while it forks.
    std::ofstream(probe) << "#!/bin/sh\n"
                            "while read -r line; do case $line in SigBlk*) mask=$line;; esac; "
                            "done < /proc/$$/status\n"
                            "echo \"$mask\" > \"$TORVEX_PROBE_OUT.tmp\"\n"
                            "mv \"$TORVEX_PROBE_OUT.tmp\" \"$TORVEX_PROBE_OUT\"\n";
    std::filesystem::permissions(probe, std::filesystem::perms::owner_all);
    const std::string path = dir.path().string() + ":" + std::getenv("PATH");
    ::setenv("PATH", path.c_str(), 1);
    ::setenv("TORVEX_PROBE_OUT", out.c_str(), 1);
    sigset_t blocked, old;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &old); // as torvexctl run does
    const std::string_view candidates[] = {"torvex-signal-probe"};
    const std::string started = launchFirstAvailable(candidates);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_EQ(started, "torvex-signal-probe");
    for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.substr(0, 7), "SigBlk:");
    EXPECT_EQ(line.substr(line.find_first_not_of(" \t", 7)), "0000000000000000");
}

} // namespace
} // namespace torvex::device
