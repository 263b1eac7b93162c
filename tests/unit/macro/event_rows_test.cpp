#include "macro/event_rows.h"

#include <gtest/gtest.h>

namespace torvex {
namespace {

MacroRecord record(std::initializer_list<std::tuple<int, int, int>> events) {
    MacroRecord r;
    std::size_t i = 0;
    for (const auto& [code, action, delay] : events) {
        r.events[i] = {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(action)};
        r.setDelay(i, static_cast<std::uint16_t>(delay));
        ++i;
    }
    r.eventCount = static_cast<std::uint8_t>(i);
    return r;
}

TEST(EventRows, EventsAndThePausesBetweenThem) {
    const struct {
        MacroRecord macro;
        std::vector<std::string> rows;
        MarkCounts counts;
    } cases[] = {
        {record({}), {}, {0, 0}},
        // The pause after the last event has no row.
        {record({{4, 1, 50}, {4, 2, 30}}), {"[↓]A", "    50ms", "[↑]A"}, {1, 1}},
        {record({{240, 2, 65535}}), {"[↑]L-KEY"}, {0, 1}},
        // An action that is neither down nor up shows the key name alone and counts nowhere.
        {record({{241, 0, 0}, {242, 7, 1}, {53, 1, 0}}),
         {"R-KEY", "    0ms", "M-KEY", "    1ms", "[↓]NON-AVAILABLE"},
         {1, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eventRows(c.macro), c.rows);
        EXPECT_EQ(markCounts(c.macro), c.counts);
    }
}

TEST(EventRows, AFullRecordHasTwiceItsEventsLessOneRows) {
    MacroRecord r;
    for (std::size_t i = 0; i < kMacroEventSlots; ++i) {
        r.events[i] = {4, static_cast<std::uint8_t>(1 + i % 2)};
        r.setDelay(i, static_cast<std::uint16_t>(i));
    }
    r.eventCount = kMaxMacroEvents;
    const auto rows = eventRows(r);
    ASSERT_EQ(rows.size(), 2 * kMaxMacroEvents - 1);
    EXPECT_EQ(rows[2 * 253 - 1], "    252ms");
    EXPECT_EQ(markCounts(r), (MarkCounts{127, 127}));
    // A file may claim 255 events; the list stops at the editable 254.
    r.eventCount = 255;
    EXPECT_EQ(eventRows(r).size(), 2 * kMaxMacroEvents - 1);
}

} // namespace
} // namespace torvex
