#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <type_traits>

namespace torvex {

inline constexpr std::size_t kMacroRecordSize = 1064;
inline constexpr std::size_t kMacroNameUnits = 20;   // 19 characters and the terminator
inline constexpr std::size_t kMacroEventSlots = 255; // slot 254 is never filled
inline constexpr std::size_t kMaxMacroEvents = 254;
inline constexpr std::size_t kMacroTableSlots = 13;
inline constexpr std::size_t kUserMacroCapacity = 12; // slot 12 of the user table stays blank
inline constexpr std::size_t kFixedMacroCapacity = 13;

// Event codes besides the HID keyboard usages 4..231.
inline constexpr std::uint8_t kLeftButtonCode = 240;
inline constexpr std::uint8_t kRightButtonCode = 241;
inline constexpr std::uint8_t kMiddleButtonCode = 242;
// Event actions.
inline constexpr std::uint8_t kActionDown = 1;
inline constexpr std::uint8_t kActionUp = 2;
// Delay given to a newly inserted or recorded event, in ms.
inline constexpr std::uint16_t kDefaultEventDelay = 30;

struct MacroEvent {
    std::uint8_t code = 0;
    std::uint8_t action = 0;
    bool operator==(const MacroEvent&) const = default;
};

// One macro, byte for byte the 1064-byte record the macro files are built from. Multi-byte
// numbers are kept as little-endian byte pairs so the layout is the same on every host; the
// name is UTF-16 code units. A value-initialised record is all zero bytes (a blank record).
struct MacroRecord {
    std::array<char16_t, kMacroNameUnits> name{};
    std::uint8_t repeatMode = 0;
    std::array<std::uint8_t, 2> repeatCountBytes{};
    std::uint8_t eventCount = 0;
    std::array<MacroEvent, kMacroEventSlots> events{};
    std::array<std::array<std::uint8_t, 2>, kMacroEventSlots> delays{};

    std::uint16_t repeatCount() const { return fromLe(repeatCountBytes); }
    void setRepeatCount(std::uint16_t count) { repeatCountBytes = toLe(count); }

    // Delay after event `index`; 0 for an index outside the record, and such a set is ignored.
    std::uint16_t delay(std::size_t index) const {
        return index < kMacroEventSlots ? fromLe(delays[index]) : 0;
    }
    void setDelay(std::size_t index, std::uint16_t ms) {
        if (index < kMacroEventSlots) {
            delays[index] = toLe(ms);
        }
    }

    // The name up to its terminator (all 20 units when a file left none).
    std::u16string_view nameView() const;
    // Stores the part of `text` that fits (see fitMacroName) and zeroes the rest of the field.
    void setName(std::u16string_view text);

    bool operator==(const MacroRecord&) const = default;

private:
    static std::uint16_t fromLe(const std::array<std::uint8_t, 2>& b) {
        return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    }
    static std::array<std::uint8_t, 2> toLe(std::uint16_t v) {
        return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
    }
};

static_assert(sizeof(MacroEvent) == 2);
static_assert(std::is_standard_layout_v<MacroRecord> && std::is_trivially_copyable_v<MacroRecord>);
static_assert(sizeof(MacroRecord) == kMacroRecordSize, "MacroRecord must have no padding");
static_assert(offsetof(MacroRecord, name) == 0);
static_assert(offsetof(MacroRecord, repeatMode) == 40);
static_assert(offsetof(MacroRecord, repeatCountBytes) == 41);
static_assert(offsetof(MacroRecord, eventCount) == 43);
static_assert(offsetof(MacroRecord, events) == 44);
static_assert(offsetof(MacroRecord, delays) == 554);

// The longest prefix of `text` that fits a record's name with its terminator: at most 19 code
// units, never ending inside a surrogate pair.
std::u16string_view fitMacroName(std::u16string_view text);

enum class MacroTableKind {
    User,  // the user's own macros (function codes 41..52), edited on the macro page
    Fixed, // the fixed macros (function codes 31..38), only read from their file
};

// A table of 13 records with its count. The user table uses slots 0..11 and keeps slot 12 blank;
// the fixed table may use all 13.
struct MacroTable {
    MacroTableKind kind = MacroTableKind::User;
    std::array<MacroRecord, kMacroTableSlots> records{};
    int count = 0;        // records in use, always the first ones
    int currentMacro = 0; // user table: the macro shown on the macro page

    explicit MacroTable(MacroTableKind k = MacroTableKind::User) : kind(k) {}

    std::size_t capacity() const {
        return kind == MacroTableKind::User ? kUserMacroCapacity : kFixedMacroCapacity;
    }
    // count limited to 0..capacity(), for loops over the records in use.
    std::size_t usedCount() const;
};

// Index of the first record among 0..count-1 whose name equals `name` code unit for code unit;
// count when none does. Callers cut a typed name with fitMacroName first.
int FindMacroByName(const MacroTable& table, std::u16string_view name);

// Makes slot `slot` a blank record (all zero bytes); an index outside the table does nothing.
void ClearRecord(MacroTable& table, std::size_t slot);

// What playback needs from one event, copied out under the tables' lock.
struct MacroStep {
    MacroEvent event;
    std::uint16_t delay = 0;
};

struct MacroPlaybackHeader {
    std::uint8_t repeatMode = 0;
    std::uint16_t repeatCount = 0;
    std::uint8_t eventCount = 0;
};

// The program's two macro tables and the lock the user-interface thread and the playback worker
// share. Whoever changes a table holds `mutex` while doing it (load a file into a copy, then
// assign under the lock); the worker reads one event at a time through the accessors below, so
// an edit during playback affects the events not yet played.
struct MacroTables {
    MacroTable macroTable{MacroTableKind::User};
    MacroTable constMacroTable{MacroTableKind::Fixed};
    mutable std::mutex mutex;

    MacroTable& table(MacroTableKind kind) {
        return kind == MacroTableKind::User ? macroTable : constMacroTable;
    }
    const MacroTable& table(MacroTableKind kind) const {
        return kind == MacroTableKind::User ? macroTable : constMacroTable;
    }

    // Nothing for a slot outside the table.
    std::optional<MacroPlaybackHeader> header(MacroTableKind kind, std::size_t slot) const;
    // Event `index` of the record, while it is below the record's current event count.
    std::optional<MacroStep> step(MacroTableKind kind, std::size_t slot, std::size_t index) const;
};

} // namespace torvex
