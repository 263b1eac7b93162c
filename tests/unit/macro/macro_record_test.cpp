#include "macro/macro_record.h"

#include <atomic>
#include <bit>
#include <gtest/gtest.h>
#include <thread>

namespace torvex {
namespace {

using Bytes = std::array<std::uint8_t, kMacroRecordSize>;

TEST(MacroRecord, BlankRecordIsAllZeroBytes) {
    const MacroRecord blank{};
    EXPECT_EQ(std::bit_cast<Bytes>(blank), Bytes{});
    EXPECT_TRUE(blank.nameView().empty());
    EXPECT_EQ(blank.repeatCount(), 0);
}

TEST(MacroRecord, FieldsSitAtTheirBytes) {
    MacroRecord r;
    r.setName(u"M\u4e2d");
    r.repeatMode = 1;
    r.setRepeatCount(0x1234);
    r.eventCount = 2;
    r.events[1] = {kRightButtonCode, kActionUp};
    r.events[254] = {0xAB, 0xCD};
    r.setDelay(1, 0x0102);
    r.setDelay(254, 0xBEEF);
    r.setDelay(255, 0xFFFF); // outside the record: ignored

    const Bytes b = std::bit_cast<Bytes>(r);
    EXPECT_EQ(b[0], 'M');
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 0x2d);
    EXPECT_EQ(b[3], 0x4e);
    EXPECT_EQ(b[40], 1);
    EXPECT_EQ(b[41], 0x34);
    EXPECT_EQ(b[42], 0x12);
    EXPECT_EQ(b[43], 2);
    EXPECT_EQ(b[44 + 2], kRightButtonCode);
    EXPECT_EQ(b[45 + 2], kActionUp);
    EXPECT_EQ(b[44 + 2 * 254], 0xAB);
    EXPECT_EQ(b[45 + 2 * 254], 0xCD);
    EXPECT_EQ(b[554 + 2], 0x02);
    EXPECT_EQ(b[555 + 2], 0x01);
    EXPECT_EQ(b[1062], 0xEF);
    EXPECT_EQ(b[1063], 0xBE);
    EXPECT_EQ(r.delay(1), 0x0102);
    EXPECT_EQ(r.delay(255), 0);
}

TEST(MacroRecord, NamesAreCutToFit) {
    const struct {
        std::u16string given;
        std::u16string stored;
    } cases[] = {
        {u"", u""},
        {u"Copy", u"Copy"},
        {u"1234567890123456789", u"1234567890123456789"},
        {u"12345678901234567890123", u"1234567890123456789"},
        // A surrogate pair that would be split at the limit is dropped whole.
        {u"123456789012345678\U0001F600", u"123456789012345678"},
        {u"12345678901234567\U0001F600", u"12345678901234567\U0001F600"},
    };
    for (const auto& c : cases) {
        MacroRecord r;
        r.name.fill(u'x');
        r.setName(c.given);
        EXPECT_EQ(r.nameView(), c.stored);
        for (std::size_t i = c.stored.size(); i < kMacroNameUnits; ++i) {
            EXPECT_EQ(r.name[i], 0) << i;
        }
    }
    // A name from a file without a terminator ends with the field.
    MacroRecord full;
    full.name.fill(u'z');
    EXPECT_EQ(full.nameView().size(), kMacroNameUnits);
}

TEST(MacroTable, FindMacroByName) {
    MacroTable t;
    EXPECT_EQ(FindMacroByName(t, u"anything"), 0);
    const char16_t* names[] = {u"Fire", u"fire", u"Fire", u"Jump"};
    for (std::size_t i = 0; i < 4; ++i) {
        t.records[i].setName(names[i]);
    }
    t.records[5].setName(u"Hidden"); // beyond the count
    t.count = 4;
    EXPECT_EQ(FindMacroByName(t, u"Fire"), 0);
    EXPECT_EQ(FindMacroByName(t, u"fire"), 1);
    EXPECT_EQ(FindMacroByName(t, u"Jump"), 3);
    EXPECT_EQ(FindMacroByName(t, u"FIRE"), 4);
    EXPECT_EQ(FindMacroByName(t, u"Fire "), 4);
    EXPECT_EQ(FindMacroByName(t, u"Hidden"), 4);
    // A count that is out of range is never handed out as a slot beyond the table.
    t.count = 40;
    EXPECT_EQ(FindMacroByName(t, u"none"), 12);
    t.count = -3;
    EXPECT_EQ(FindMacroByName(t, u"Fire"), 0);
}

TEST(MacroTable, ClearRecord) {
    MacroTable t(MacroTableKind::Fixed);
    t.records[12].setName(u"last");
    t.records[12].eventCount = 9;
    ClearRecord(t, 12);
    EXPECT_EQ(t.records[12], MacroRecord{});
    ClearRecord(t, 13); // outside the table: nothing happens
    ClearRecord(t, static_cast<std::size_t>(-1));
}

TEST(MacroTables, PlaybackReadsOneEventAtATime) {
    MacroTables tables;
    MacroRecord& r = tables.macroTable.records[1];
    r.eventCount = 2;
    r.repeatMode = 1;
    r.setRepeatCount(3);
    r.events[0] = {4, kActionDown};
    r.setDelay(0, 300);
    r.events[1] = {4, kActionUp};

    const auto header = tables.header(MacroTableKind::User, 1);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->repeatCount, 3);
    EXPECT_EQ(header->eventCount, 2);
    const auto step = tables.step(MacroTableKind::User, 1, 0);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->event, (MacroEvent{4, kActionDown}));
    EXPECT_EQ(step->delay, 300);
    EXPECT_FALSE(tables.step(MacroTableKind::User, 1, 2));
    EXPECT_FALSE(tables.step(MacroTableKind::Fixed, 13, 0));
    EXPECT_FALSE(tables.header(MacroTableKind::Fixed, 13));

    // An edit shortening the macro during playback ends it at the new count.
    {
        const std::lock_guard lock(tables.mutex);
        r.eventCount = 1;
    }
    EXPECT_TRUE(tables.step(MacroTableKind::User, 1, 0));
    EXPECT_FALSE(tables.step(MacroTableKind::User, 1, 1));
}

TEST(MacroTables, EditsAndReadsFromTwoThreads) {
    MacroTables tables;
    std::atomic<bool> stop = false;
    std::thread editor([&] {
        for (int i = 0; i < 2000; ++i) {
            const std::lock_guard lock(tables.mutex);
            MacroRecord& r = tables.macroTable.records[0];
            r.eventCount = static_cast<std::uint8_t>(i % 255);
            r.events[static_cast<std::size_t>(i % 255)] = {static_cast<std::uint8_t>(i), 1};
            r.setDelay(static_cast<std::size_t>(i % 255), static_cast<std::uint16_t>(i));
        }
        stop = true;
    });
    // Code and delay of an event are written together; a read never sees one without the other.
    // (Under the thread sanitizer this also shows that reads take the lock.)
    while (!stop) {
        for (std::size_t k = 0; k < 255; ++k) {
            if (const auto s = tables.step(MacroTableKind::User, 0, k)) {
                ASSERT_EQ(s->delay & 0xFF, s->event.code) << k;
            }
        }
    }
    editor.join();
}

} // namespace
} // namespace torvex
