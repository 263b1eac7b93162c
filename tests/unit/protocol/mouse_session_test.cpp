// The program's end as the mouse and the desktop see it.
#include "device/mouse_session.h"
#include "fake_mouse.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace torvex::device {
namespace {
using testing::FakeMouse;
using testing::hex;

// A desktop whose pointer speed may be unreadable; records every speed set.
class RecordingPointer final : public PointerSettings {
public:
    explicit RecordingPointer(std::optional<int> speed) : speed_(speed) {}
    std::string name() const override { return "recording"; }
    std::optional<int> speed() override { return speed_; }
    bool setSpeed(int systemSpeed) override {
        speedsSet.push_back(systemSpeed);
        return true;
    }
    std::optional<int> wheelLines() override { return std::nullopt; }
    bool setWheelLines(int) override { return false; }

    std::vector<int> speedsSet;

private:
    std::optional<int> speed_;
};

ButtonEventHooks firstButtonPlaysMacroZero() {
    ButtonEventHooks hooks;
    hooks.settings = [] {
        ButtonSettings s;
        s.buttonFunction = {41, 2, 3, 5, 4, 16, 15};
        return s;
    };
    return hooks;
}

TEST(ExitPath, SendsTheExitReportAndSetsSpeedTenOnlyWhereTheSpeedCanBeRead) {
    const struct {
        std::optional<int> speed;
        std::vector<int> expectedSet;
    } cases[] = {{7, {kExitPointerSpeed}}, {std::nullopt, {}}};
    for (const auto& c : cases) {
        torvex::testing::TempDir dir;
        SteadyTimeline clock;
        FakeMouse mouse{clock};
        MacroTables macros;
        RecordingPointer pointer(c.speed);
        MouseSession session(mouse, macros, pointer, dir.path() / "config.ini", {});
        ASSERT_TRUE(session.findDevice());
        session.start();
        session.exitPath();
        EXPECT_EQ(pointer.speedsSet, c.expectedSet) << c.speed.value_or(-1);
        // Nothing was held, so the exit report is all the mouse gets.
        const auto sent = mouse.sentBytes();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(std::vector<uint8_t>(sent[0].begin(), sent[0].begin() + 4), hex("07 20 00 00"));
    }
}

TEST(ExitPath, AMacroCutShortWhileAKeyAndAButtonAreDownReleasesThemBeforeTheExitReport) {
    torvex::testing::TempDir dir;
    SteadyTimeline clock;
    FakeMouse mouse{clock};
    MacroTables macros;
    MacroRecord& r = macros.macroTable.records[0];
    r.events[0] = {0x04, 1}; // A down
    r.setDelay(0, 10);
    r.events[1] = {240, 1}; // left button down, then a minute's pause
    r.setDelay(1, 60000);
    r.events[2] = {240, 2};
    r.setDelay(2, 10);
    r.events[3] = {0x04, 2};
    r.setDelay(3, 10);
    r.eventCount = 4;
    macros.macroTable.count = 1;
    NoPointerSettings pointer;
    MouseSession session(mouse, macros, pointer, dir.path() / "config.ini",
                         firstButtonPlaysMacroZero());
    ASSERT_TRUE(session.findDevice());
    session.start();
    mouse.pushInput({0x07, 0xF1, 0x00});
    ASSERT_TRUE(mouse.waitForSent(2)); // in the pause, A and the left button down

    session.exitPath();
    const auto sent = mouse.sentBytes();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(sent[1].begin(), sent[1].begin() + 4), hex("07 16 04 FE"));
    EXPECT_EQ(std::vector<uint8_t>(sent[2].begin(), sent[2].begin() + 4), hex("07 16 04 FF"));
    EXPECT_EQ(sent[3], hex("07 15 00 00 00 00 00 00 00"));
    EXPECT_EQ(std::vector<uint8_t>(sent[4].begin(), sent[4].begin() + 4), hex("07 20 00 00"));
}

} // namespace
} // namespace torvex::device
