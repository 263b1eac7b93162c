#include "fake_page.h"
#include "macro/event_rows.h"
#include "macro/macro_recorder.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace torvex {
namespace {

using test::Ev;
using test::eventsOf;
using test::FakePage;
using test::makeMacro;

constexpr auto Down = KeyMessage::KeyDown;
constexpr auto Up = KeyMessage::KeyUp;
constexpr auto SysDown = KeyMessage::SysKeyDown;
constexpr auto SysUp = KeyMessage::SysKeyUp;
constexpr auto Rec = KeyOutcome::Recorded;
constexpr auto Not = KeyOutcome::NotRecorded;
constexpr auto Pass = KeyOutcome::PassedOn;

// A page with two macros, recording into the second, on a clock the test sets.
struct Recording {
    MacroTables tables;
    MacroEditor editor{tables};
    FakePage page;
    int now = 0;
    MacroRecorder recorder{editor, [this] { return now; }};

    Recording() {
        tables.macroTable.records[0] = makeMacro(u"first", {{4, 1, 5}, {4, 2, 5}});
        tables.macroTable.records[1] = makeMacro(u"second", {{5, 1, 9}, {5, 2, 9}}, 1, 5);
        tables.macroTable.count = 2;
        tables.macroTable.currentMacro = 1;
        editor.refillMacroList(page);
    }
    KeyOutcome key(KeyMessage message, int vk, int at) {
        now = at;
        return recorder.keyMessage(message, vk, &page);
    }
    const MacroRecord& macro(int i) const {
        return tables.macroTable.records[static_cast<std::size_t>(i)];
    }
};

TEST(MacroRecorder, Sequences) {
    struct Step {
        KeyMessage message;
        int vk;
        int at;
        KeyOutcome outcome;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Ev> recorded;
    } cases[] = {
        {"two keys overlapping",
         {{Down, 'A', 1000, Rec},
          {Down, 'B', 1100, Rec},
          {Up, 'A', 1250, Rec},
          {Up, 'B', 1300, Rec}},
         {{4, 1, 100}, {5, 1, 150}, {4, 2, 50}, {5, 2, 30}}},
        {"a held key repeats its down",
         {{Down, 'A', 0, Rec},
          {Down, 'A', 660, Not},
          {Down, 'A', 700, Not},
          {Down, 'A', 740, Not},
          {Up, 'A', 1000, Rec}},
         {{4, 1, 1000}, {4, 2, 30}}},
        {"a single down keeps no pause", {{Down, 'A', 5000, Rec}}, {{4, 1, 0}}},
        {"two minutes",
         {{Down, 'A', 0, Rec}, {Up, 'A', 120'000, Rec}},
         {{4, 1, 65535}, {4, 2, 30}}},
        {"one second across midnight",
         {{Down, 'A', 86'399'500, Rec}, {Up, 'A', 500, Rec}},
         {{4, 1, 1000}, {4, 2, 30}}},
        {"two minutes across midnight",
         {{Down, 'A', 86'340'000, Rec}, {Up, 'A', 60'000, Rec}},
         {{4, 1, 65535}, {4, 2, 30}}},
        {"a release whose press was not recorded",
         {{Up, 'A', 0, Pass},
          {Up, 'A', 5, Pass},
          {Down, 'B', 10, Rec},
          {Up, 'A', 20, Pass},
          {Up, 'B', 45, Rec}},
         {{5, 1, 35}, {5, 2, 30}}},
        {"system keys, Esc and Enter are recorded like the others",
         {{SysDown, 164, 0, Rec},
          {SysDown, 115, 10, Rec},
          {SysUp, 115, 30, Rec},
          {Up, 164, 60, Rec},
          {Down, 27, 100, Rec},
          {Up, 27, 110, Rec},
          {Down, 13, 120, Rec},
          {Up, 13 + 256, 130, Rec}}, // only the low 8 bits of a key count
         {{226, 1, 10},
          {61, 1, 20},
          {61, 2, 30},
          {226, 2, 40},
          {41, 1, 10},
          {41, 2, 10},
          {40, 1, 10},
          {40, 2, 30}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recording r;
        ASSERT_EQ(r.recorder.toggle(r.page), RecordingToggle::Started);
        for (const Step& s : c.steps) {
            EXPECT_EQ(r.key(s.message, s.vk, s.at), s.outcome) << s.vk << " at " << s.at;
        }
        EXPECT_EQ(r.macro(1).eventCount, 0); // set only when recording stops
        ASSERT_EQ(r.recorder.toggle(r.page), RecordingToggle::Stopped);
        EXPECT_EQ(eventsOf(r.macro(1)), c.recorded);
        // The list grew row by row into what showing the macro gives.
        std::vector<std::string> shown = eventRows(r.macro(1));
        EXPECT_EQ(r.page.eventTexts(), shown);
        EXPECT_EQ(r.page.eventSel, static_cast<int>(shown.size()) - 1);
        const MarkCounts counts = markCounts(r.macro(1));
        EXPECT_EQ(r.editor.state().downCount, counts.down);
        EXPECT_EQ(r.editor.state().upCount, counts.up);
        EXPECT_TRUE(r.recorder.heldKeys().empty() || c.recorded.size() == 1);
    }
}

TEST(MacroRecorder, StartingClearsTheMacroButKeepsItsName) {
    Recording r;
    r.page.macroSel = 1;
    EXPECT_EQ(r.page.repeat, u"5");
    EXPECT_EQ(r.recorder.toggle(r.page), RecordingToggle::Started);
    EXPECT_TRUE(r.recorder.recording());
    MacroRecord expected;
    expected.setName(u"second");
    expected.setRepeatCount(1);
    EXPECT_EQ(r.macro(1), expected);
    EXPECT_EQ(r.tables.macroTable.currentMacro, 1);
    EXPECT_EQ(r.recorder.recordMacro(), 1);
    EXPECT_TRUE(r.page.events.empty());
    EXPECT_EQ(r.page.repeat, u"1");
    EXPECT_FALSE(r.page.repeatEnabled);
    EXPECT_EQ(eventsOf(r.macro(0)), (std::vector<Ev>{{4, 1, 5}, {4, 2, 5}}));

    // Stopping without a keystroke leaves an empty macro.
    EXPECT_EQ(r.recorder.toggle(r.page), RecordingToggle::Stopped);
    EXPECT_FALSE(r.recorder.recording());
    EXPECT_EQ(r.macro(1).eventCount, 0);

    // No macro in the list: nothing starts.
    Recording none;
    none.tables.macroTable.count = 0;
    none.editor.refillMacroList(none.page);
    EXPECT_EQ(none.recorder.toggle(none.page), RecordingToggle::Ignored);
    EXPECT_FALSE(none.recorder.recording());
}

TEST(MacroRecorder, AReleaseTakesItsKeyOutOfTheHeldList) {
    Recording r;
    r.recorder.toggle(r.page);
    for (const int vk : {'A', 'B', 'C'}) {
        r.key(Down, vk, 0);
    }
    r.key(Up, 'A', 0);
    EXPECT_EQ(std::vector<std::uint8_t>(r.recorder.heldKeys().begin(), r.recorder.heldKeys().end()),
              (std::vector<std::uint8_t>{'B', 'C'}));
    r.key(Up, 'C', 0);
    EXPECT_EQ(std::vector<std::uint8_t>(r.recorder.heldKeys().begin(), r.recorder.heldKeys().end()),
              (std::vector<std::uint8_t>{'B'}));
}

TEST(MacroRecorder, After108DownsTheHeldKeysStillComeUp) {
    Recording r;
    r.recorder.toggle(r.page);
    int t = 0;
    for (int i = 0; i < 100; ++i) {
        const int vk = 'A' + i % 26;
        ASSERT_EQ(r.key(Down, vk, t += 10), Rec);
        ASSERT_EQ(r.key(Up, vk, t += 10), Rec);
    }
    for (int vk = '1'; vk <= '8'; ++vk) {
        ASSERT_EQ(r.key(Down, vk, t += 10), Rec);
    }
    EXPECT_EQ(r.editor.state().downCount, 108);
    EXPECT_EQ(r.key(Down, '9', t += 10), Pass); // eight held: refused for the down limit
    EXPECT_EQ(r.key(Up, '9', t += 10), Pass);
    for (int vk = '1'; vk <= '8'; ++vk) {
        EXPECT_EQ(r.key(Up, vk, t += 10), Rec);
    }
    EXPECT_EQ(r.recorder.recordedCount(), kMaxRecordedEvents);
    // The event limit: nothing more, not even a release.
    EXPECT_EQ(r.key(Up, 'Z', t += 10), Not);
    r.recorder.toggle(r.page);
    const MacroRecord& m = r.macro(1);
    ASSERT_EQ(m.eventCount, kMaxRecordedEvents);
    EXPECT_EQ(markCounts(m), (MarkCounts{108, 108}));
    EXPECT_EQ(r.editor.state().upCount, 108);
    int held = 0;
    for (std::size_t i = 0; i < m.eventCount; ++i) {
        held += m.events[i].action == kActionDown ? 1 : -1;
        EXPECT_GE(held, 0);
    }
    EXPECT_EQ(held, 0);
}

TEST(MacroRecorder, ATenthHeldKeyIsRefused) {
    Recording r;
    r.recorder.toggle(r.page);
    for (int vk = '1'; vk <= '9'; ++vk) {
        ASSERT_EQ(r.key(Down, vk, 0), Rec);
    }
    EXPECT_EQ(r.key(Down, 'Q', 10), Pass);
    EXPECT_EQ(r.recorder.heldKeys().size(), kHeldKeySlots);
    EXPECT_EQ(r.key(Up, 'Q', 20), Pass);
    EXPECT_EQ(r.key(Up, '1', 30), Rec);
    EXPECT_EQ(r.key(Down, 'Q', 40), Rec); // room again
    EXPECT_EQ(r.recorder.heldKeys().back(), 'Q');
    EXPECT_EQ(r.recorder.recordedCount(), 11);
}

TEST(MacroRecorder, KeysAreRecordedWhileThePageIsAway) {
    Recording r;
    r.recorder.toggle(r.page);
    r.key(Down, 'A', 0);
    const std::size_t rowsBefore = r.page.events.size();
    r.now = 40;
    EXPECT_EQ(r.recorder.keyMessage(Up, 'A', nullptr), Rec);
    EXPECT_EQ(r.page.events.size(), rowsBefore);
    EXPECT_EQ(r.editor.state().upCount, 1);
    // Picking a macro while recording shows it with its last row selected.
    r.page.macroSel = 0;
    r.editor.selectMacro(r.page);
    EXPECT_EQ(r.editor.state().eventListRow, 0);
    EXPECT_EQ(r.page.eventSel, 2);
    r.recorder.toggle(r.page);
    EXPECT_EQ(eventsOf(r.macro(1)), (std::vector<Ev>{{4, 1, 40}, {4, 2, 30}}));
}

TEST(MacroRecorder, NothingHappensWhileNotRecording) {
    Recording r;
    const MacroTable before = r.tables.macroTable;
    EXPECT_EQ(r.key(Down, 'A', 0), Pass);
    EXPECT_EQ(r.key(Up, 'A', 10), Pass);
    EXPECT_EQ(r.tables.macroTable.records, before.records);
}

TEST(MacroRecorder, X11AutoRepeatGivesOneDownAndOneUp) {
    Recording r;
    r.recorder.toggle(r.page);
    const auto x11 = [&](bool down, bool autoRepeat, int at) {
        r.now = at;
        return r.recorder.keyEvent('A', down, autoRepeat, false, &r.page);
    };
    EXPECT_EQ(x11(true, false, 0), Rec);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(x11(false, true, 660 + 40 * i), Not);
        EXPECT_EQ(x11(true, true, 660 + 40 * i), Not);
    }
    EXPECT_EQ(x11(false, false, 1500), Rec);
    r.recorder.toggle(r.page);
    EXPECT_EQ(eventsOf(r.macro(1)), (std::vector<Ev>{{4, 1, 1500}, {4, 2, 30}}));
}

TEST(MacroRecorder, ChangesWaitForTheTablesLock) {
    using Action = std::function<void(Recording&)>;
    const Action start = [](Recording& r) { r.recorder.toggle(r.page); };
    const Action key = [](Recording& r) { r.key(Down, 'A', 0); };
    const Action nothing = [](Recording&) {};
    const Action startAndKey = [&](Recording& r) {
        start(r);
        key(r);
    };
    const struct {
        const char* name;
        Action before;
        Action change;
    } cases[] = {
        {"start", nothing, start},
        {"key", start, key},
        {"stop", startAndKey, start},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recording r;
        c.before(r);
        const MacroTable before = r.tables.macroTable;
        std::unique_lock held(r.tables.mutex);
        std::atomic<bool> done = false;
        std::thread changing([&] {
            c.change(r);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(done);
        EXPECT_EQ(r.tables.macroTable.records, before.records);
        held.unlock();
        changing.join();
        EXPECT_NE(r.tables.macroTable.records, before.records);
    }
}

TEST(MacroRecorder, MessageFilter) {
    const struct {
        KeyMessage message;
        int vk;
        bool swallowed;
    } cases[] = {
        {Down, 27, true},   {Down, 13, true},   {SysDown, 27, false},  {Up, 27, false},
        {Up, 13, false},    {Down, 121, true},  {Up, 121, true},       {SysDown, 121, true},
        {SysUp, 121, true}, {Down, 'A', false}, {SysDown, 115, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(messageFilterSwallows(c.message, c.vk), c.swallowed)
            << static_cast<int>(c.message) << " " << c.vk;
    }
    EXPECT_EQ(keyMessageFor(true, false), Down);
    EXPECT_EQ(keyMessageFor(false, true), SysUp);
}

TEST(MacroRecorder, UtcTimeOfDay) {
    const long long expected = static_cast<long long>(std::time(nullptr)) % 86'400 * 1000;
    const int ms = utcTimeOfDayMs();
    ASSERT_GE(ms, 0);
    ASSERT_LT(ms, kMillisecondsPerDay);
    const long long diff = (ms - expected + kMillisecondsPerDay) % kMillisecondsPerDay;
    EXPECT_LT(std::min(diff, kMillisecondsPerDay - diff), 2000);
}

} // namespace
} // namespace torvex
