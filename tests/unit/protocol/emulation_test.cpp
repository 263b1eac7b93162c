#include "device/emulation.h"
#include "fake_mouse.h"

#include <gtest/gtest.h>

namespace torvex::device {
namespace {
using testing::FakeMouse;
using testing::hex;
using testing::ManualTimeline;

struct Rig {
    ManualTimeline timeline;
    FakeMouse mouse{timeline};
    DeviceLink link{mouse};
    FeatureChannel channel{link};
    Emulator emulator{channel};
    Rig() { link.findDevice(); }
    std::vector<uint8_t> last() const { return mouse.sentBytes().back(); }
};

TEST(Emulation, KeySlotsFillReleaseAndDropTheSeventh) {
    Rig rig;
    rig.emulator.emulateInput(0x04, 1);
    rig.emulator.emulateInput(0x05, 1);
    rig.emulator.emulateInput(0x06, 1);
    rig.emulator.emulateInput(0x05, 2);
    EXPECT_EQ(rig.last(), hex("07 15 04 06 00 00 00 00 00"));

    for (uint8_t k = 0x07; k <= 0x0A; ++k) {
        rig.emulator.emulateInput(k, 1); // now six keys: 04 06 07 08 09 0A
    }
    const auto six = rig.last();
    EXPECT_EQ(six, hex("07 15 04 06 07 08 09 0A 00"));
    rig.emulator.emulateInput(0x0B, 1); // the seventh finds no slot
    EXPECT_EQ(rig.last(), six);

    rig.emulator.emulateInput(0x1D, 2); // not held, yet the sixth slot is emptied
    EXPECT_EQ(rig.last(), hex("07 15 04 06 07 08 09 00 00"));

    rig.emulator.emulateInput(0x04, 7); // an unknown action changes nothing but still sends
    EXPECT_EQ(rig.last(), hex("07 15 04 06 07 08 09 00 00"));
    EXPECT_EQ(rig.mouse.sentBytes().size(), 11u);
}

TEST(Emulation, MouseButtonsAreActiveLowAndKeepByteTwo) {
    Rig rig;
    rig.emulator.emulateInput(0x2C, 1); // byte 2 now holds the key 0x2C
    rig.emulator.emulateInput(240, 1);
    EXPECT_EQ(rig.last(), hex("07 16 2C FE 00 00 00 00 00"));
    rig.emulator.emulateInput(241, 1);
    EXPECT_EQ(rig.last()[3], 0xFC);
    rig.emulator.emulateInput(240, 2);
    EXPECT_EQ(rig.last()[3], 0xFD);
    rig.emulator.emulateInput(243, 1); // no such button: resend only
    EXPECT_EQ(rig.last()[3], 0xFD);
    rig.emulator.emulateInput(242, 1);
    EXPECT_EQ(rig.emulator.mouseButtonState(), 0xF9);
}

TEST(Emulation, ReleaseAllSendsButtonsThenKeysTenMillisecondsApart) {
    Rig rig;
    rig.emulator.emulateInput(240, 1);
    rig.emulator.emulateInput(0x04, 1);
    rig.mouse.clearSent();
    const auto start = rig.timeline.now();
    Pacer pacer(rig.timeline);
    ASSERT_TRUE(rig.emulator.releaseAll(pacer));
    const auto sent = rig.mouse.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes[1], 0x16);
    EXPECT_EQ(sent[0].bytes[3], 0xFF);
    EXPECT_EQ(sent[1].bytes, hex("07 15 00 00 00 00 00 00 00"));
    EXPECT_EQ(sent[0].time - start, std::chrono::milliseconds(10));
    EXPECT_EQ(sent[1].time - start, std::chrono::milliseconds(20));

    // Cut short: nothing more is sent.
    rig.mouse.clearSent();
    rig.timeline.abort();
    Pacer aborted(rig.timeline);
    EXPECT_FALSE(rig.emulator.releaseAll(aborted));
    EXPECT_TRUE(rig.mouse.sentBytes().empty());
}

TEST(Emulation, MediaKeys) {
    Rig rig;
    const std::pair<int, const char*> cases[] = {
        {21, "07 17 02 23"}, {24, "07 17 00 E9"}, {29, "07 17 00 CD"}, {30, "07 17 01 92"}};
    for (const auto& [code, bytes] : cases) {
        rig.emulator.sendMediaKey(code);
        const auto last = rig.last();
        EXPECT_EQ(std::vector<uint8_t>(last.begin(), last.begin() + 4), hex(bytes)) << code;
    }
    const auto before = rig.mouse.sentBytes().size();
    rig.emulator.sendMediaKey(20);
    rig.emulator.sendMediaKey(31);
    EXPECT_EQ(rig.mouse.sentBytes().size(), before);
}

TEST(Timeline, PacerKeepsAbsoluteDeadlinesAndRebasesAfterALongStall) {
    ManualTimeline timeline;
    Pacer pacer(timeline);
    const auto start = timeline.now();
    timeline.advance(std::chrono::milliseconds(3)); // time spent sending is absorbed
    ASSERT_TRUE(pacer.wait(std::chrono::milliseconds(10)));
    EXPECT_EQ(timeline.now() - start, std::chrono::milliseconds(10));
    timeline.advance(std::chrono::milliseconds(500)); // the machine was suspended
    ASSERT_TRUE(pacer.wait(std::chrono::milliseconds(10)));
    EXPECT_EQ(timeline.now() - start, std::chrono::milliseconds(520));
}

TEST(Timeline, SteadyTimelineAbortWakesASleeper) {
    SteadyTimeline timeline;
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        timeline.abort();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(timeline.sleepUntil(start + std::chrono::seconds(30)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    aborter.join();
    timeline.resume();
    EXPECT_TRUE(
        timeline.sleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(1)));
}

} // namespace
} // namespace torvex::device
