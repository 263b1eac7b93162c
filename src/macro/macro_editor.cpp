#include "macro/macro_editor.h"

#include "common/leading_int.h"
#include "common/utf16.h"
#include "macro/event_rows.h"
#include "macro/macro_file.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace torvex {

namespace {

constexpr int kMaxDelay = 65535;
constexpr int kMaxRepeatCount = 65535;
constexpr int kLastEditableMacro = static_cast<int>(kUserMacroCapacity) - 1;

std::u16string number(int value) {
    return utf8ToUtf16(std::to_string(value));
}

struct MenuId {
    int english;
    int chinese;
    EventMenuCommand command;
};

using Kind = EventMenuCommand::Kind;

constexpr MenuId kMenuIds[] = {
    {32802, 32817, {Kind::InsertBefore, kLeftButtonCode, kActionDown}},
    {32803, 32818, {Kind::InsertBefore, kLeftButtonCode, kActionUp}},
    {32804, 32820, {Kind::InsertBefore, kRightButtonCode, kActionDown}},
    {32805, 32821, {Kind::InsertBefore, kRightButtonCode, kActionUp}},
    {32806, 32823, {Kind::InsertBefore, kMiddleButtonCode, kActionDown}},
    {32807, 32824, {Kind::InsertBefore, kMiddleButtonCode, kActionUp}},
    {32809, 32829, {Kind::InsertAfter, kLeftButtonCode, kActionDown}},
    {32810, 32830, {Kind::InsertAfter, kLeftButtonCode, kActionUp}},
    {32811, 32831, {Kind::InsertAfter, kRightButtonCode, kActionDown}},
    {32812, 32832, {Kind::InsertAfter, kRightButtonCode, kActionUp}},
    {32813, 32833, {Kind::InsertAfter, kMiddleButtonCode, kActionDown}},
    {32814, 32834, {Kind::InsertAfter, kMiddleButtonCode, kActionUp}},
    {32780, 32835, {Kind::ModifyDelay, 0, 0}},
    {32781, 32836, {Kind::Delete, 0, 0}},
};

} // namespace

std::optional<EventMenuCommand> eventMenuCommand(int menuId) {
    for (const MenuId& m : kMenuIds) {
        if (m.english == menuId || m.chinese == menuId) {
            return m.command;
        }
    }
    return std::nullopt;
}

std::uint16_t delayFromRowText(std::u16string_view text) {
    const std::size_t ms = text.find(u"ms");
    const int value = leadingInt(ms == std::u16string_view::npos ? text : text.substr(0, ms));
    // The stored field has 16 bits: a larger typed value keeps the longest pause rather than
    // wrapping round to a short one, and a negative one gives no pause.
    return static_cast<std::uint16_t>(std::clamp(value, 0, kMaxDelay));
}

std::uint16_t repeatCountFromText(std::u16string_view text) {
    return static_cast<std::uint16_t>(std::clamp(leadingInt(text), 1, kMaxRepeatCount));
}

bool MacroEditor::isUserMacro(int macro) const {
    return macro >= 0 && static_cast<std::size_t>(macro) < tables_.macroTable.usedCount();
}

void MacroEditor::selectLastRowOfCurrentMacro() {
    const std::lock_guard lock(tables_.mutex);
    const int m = tables_.macroTable.currentMacro;
    int events = 0;
    if (m >= 0 && static_cast<std::size_t>(m) < kMacroTableSlots) {
        events = static_cast<int>(
            shownEventCount(tables_.macroTable.records[static_cast<std::size_t>(m)]));
    }
    state_.eventListRow = events > 0 ? 2 * events - 2 : 0;
}

void MacroEditor::showMacroEvents(MacroPageControls& page, int macro) {
    page.clearEventRows();
    state_.downCount = 0;
    state_.upCount = 0;
    if (macro < 0 || static_cast<std::size_t>(macro) >= kMacroTableSlots) {
        return;
    }
    MacroRecord record;
    {
        const std::lock_guard lock(tables_.mutex);
        record = tables_.macroTable.records[static_cast<std::size_t>(macro)];
    }
    if (shownEventCount(record) == 0) {
        return;
    }
    const auto rows = eventRows(record);
    for (const std::string& row : rows) {
        page.addEventRow(utf8ToUtf16(row));
    }
    const MarkCounts counts = markCounts(record);
    state_.downCount = counts.down;
    state_.upCount = counts.up;
    page.invalidate();
    page.selectEventRow(state_.recording ? static_cast<int>(rows.size()) - 1 : state_.eventListRow);
    if (record.repeatMode == 1) {
        page.setRepeatText(number(record.repeatCount()));
        page.setRepeatEnabled(true);
    } else {
        page.setRepeatText(u"1");
        page.setRepeatEnabled(false);
    }
}

void MacroEditor::selectMacro(MacroPageControls& page) {
    const int row = page.macroSelection();
    if (row < 0 || row > kLastEditableMacro) {
        return;
    }
    {
        const std::lock_guard lock(tables_.mutex);
        tables_.macroTable.currentMacro = row;
    }
    page.setNameText(page.macroRowText(row));
    showMacroEvents(page, row);
}

void MacroEditor::refillMacroList(MacroPageControls& page) {
    std::vector<std::u16string> names;
    int current = 0;
    {
        const std::lock_guard lock(tables_.mutex);
        for (std::size_t i = 0; i < tables_.macroTable.usedCount(); ++i) {
            names.emplace_back(tables_.macroTable.records[i].nameView());
        }
        const int rows = static_cast<int>(names.size());
        current = std::max(std::min(tables_.macroTable.currentMacro, rows - 1), 0);
        if (rows != 0) {
            tables_.macroTable.currentMacro = current;
        }
    }
    page.clearMacroRows();
    for (const std::u16string& name : names) {
        page.addMacroRow(name);
    }
    if (names.empty()) {
        return; // the other controls keep what they show
    }
    page.selectMacroRow(current);
    selectMacro(page);
}

void MacroEditor::newMacro(MacroPageControls& page) {
    std::u16string typed = page.nameText();
    page.focusMacroList();
    // The record holds 19 units and its terminator; a longer name is cut, and an embedded zero
    // would end it anyway.
    typed.erase(std::min(typed.find(u'\0'), typed.size()));
    const std::u16string_view name = fitMacroName(typed);
    int current = 0;
    bool created = false;
    {
        const std::lock_guard lock(tables_.mutex);
        MacroTable& table = tables_.macroTable;
        if (table.usedCount() >= kUserMacroCapacity || name.empty()) {
            return;
        }
        const int i = FindMacroByName(table, name);
        table.currentMacro = i;
        current = i;
        if (static_cast<std::size_t>(i) == table.usedCount()) {
            MacroRecord& r = table.records[static_cast<std::size_t>(i)];
            r.setName(name);
            r.repeatMode = 0;
            r.setRepeatCount(1);
            r.eventCount = 0;
            table.count = i + 1;
            created = true;
        }
    }
    if (created) {
        page.clearEventRows();
        page.addMacroRow(name);
    }
    page.selectMacroRow(current);
    selectMacro(page);
}

void MacroEditor::deleteMacro(MacroPageControls& page) {
    if (state_.recording || page.macroRowCount() < 1) {
        return;
    }
    const int b = page.macroSelection();
    {
        const std::lock_guard lock(tables_.mutex);
        MacroTable& table = tables_.macroTable;
        if (!isUserMacro(b)) {
            return; // nothing selected: nothing to delete
        }
        const auto used = table.usedCount();
        const auto first = table.records.begin();
        std::move(first + b + 1, first + static_cast<std::ptrdiff_t>(used), first + b);
        // The freed slot keeps its name and event bytes, as a file save writes only used slots.
        MacroRecord& freed = table.records[used - 1];
        freed.repeatMode = 0;
        freed.setRepeatCount(1);
        freed.eventCount = 0;
        table.count = static_cast<int>(used) - 1;
    }
    page.removeMacroRow(b);
    const int c = b >= 1 ? b - 1 : 0;
    page.selectMacroRow(c);
    {
        const std::lock_guard lock(tables_.mutex);
        tables_.macroTable.currentMacro = c;
    }
    if (page.macroRowCount() == 0) {
        page.setNameText(u"");
        page.setRepeatText(u"1");
        page.setRepeatEnabled(false);
    } else {
        page.setNameText(page.macroRowText(c));
    }
    showMacroEvents(page, c);
}

MacroSaveResult MacroEditor::saveMacros(MacroPageControls& page,
                                        const std::filesystem::path& macroFile) {
    const std::u16string text = page.repeatText();
    const std::uint16_t count = repeatCountFromText(text);
    if (count != leadingInt(text)) {
        page.setRepeatText(number(count));
    }
    MacroTable copy;
    {
        const std::lock_guard lock(tables_.mutex);
        const int m = tables_.macroTable.currentMacro;
        if (isUserMacro(m)) {
            tables_.macroTable.records[static_cast<std::size_t>(m)].setRepeatCount(count);
        }
        copy = tables_.macroTable;
    }
    // Written from a copy so the playback worker is not held up by the file.
    MacroSaveResult result;
    result.saved = SaveMacroFile(macroFile, copy, &result.error);
    return result;
}

void MacroEditor::toggleRepeat(MacroPageControls& page) {
    std::optional<std::uint16_t> shownCount;
    {
        const std::lock_guard lock(tables_.mutex);
        const int m = tables_.macroTable.currentMacro;
        if (!isUserMacro(m)) {
            return;
        }
        MacroRecord& r = tables_.macroTable.records[static_cast<std::size_t>(m)];
        if (r.repeatMode == 0) {
            r.repeatMode = 1;
            shownCount = r.repeatCount();
        } else {
            r.repeatMode = 0;
        }
    }
    page.setRepeatText(shownCount ? number(*shownCount) : u"1");
    page.setRepeatEnabled(shownCount.has_value());
    page.invalidate();
}

int MacroEditor::eventRowAt(int scrollTop, int itemHeight, int pointerY, int listTop) {
    if (itemHeight == 0) {
        return 0;
    }
    const long long offset = static_cast<long long>(scrollTop) * itemHeight + pointerY - listTop;
    return static_cast<int>(offset / itemHeight);
}

bool MacroEditor::rightButtonReleased(MacroPageControls& page, int row, bool pointerInsideList) {
    state_.eventListRow = row;
    page.selectEventRow(row);
    state_.eventRowCount = page.eventRowCount();
    return pointerInsideList && (row < state_.eventRowCount || state_.eventRowCount == 0);
}

void MacroEditor::contextMenuClosed(MacroPageControls& page) {
    const int macro = page.macroSelection();
    state_.editMacro = std::min(macro, kLastEditableMacro);
    // No selection (-1) gives event 0.
    state_.editEvent = std::max(page.eventSelection(), 0) / 2;
}

MenuOutcome MacroEditor::menuCommand(MacroPageControls& page, int menuId) {
    const auto command = eventMenuCommand(menuId);
    if (!command || state_.recording) {
        return MenuOutcome::Ignored;
    }
    {
        const std::lock_guard lock(tables_.mutex);
        if (!isUserMacro(state_.editMacro)) {
            return MenuOutcome::Ignored;
        }
    }
    const int m = state_.editMacro;
    InsertResult inserted = InsertResult::Inserted;
    switch (command->kind) {
    case Kind::ModifyDelay:
        if (state_.eventRowCount != 0 && state_.eventListRow >= 0 &&
            state_.eventListRow < state_.eventRowCount && state_.eventListRow % 2 == 1) {
            return MenuOutcome::BeginDelayEdit;
        }
        return MenuOutcome::Ignored;
    case Kind::Delete:
        deleteEvent(m, state_.editEvent);
        break;
    case Kind::InsertBefore:
        inserted = insertEvent(m, state_.editEvent, command->code, command->action);
        break;
    case Kind::InsertAfter:
        if (page.eventRowCount() > 0) {
            inserted = insertEvent(m, state_.editEvent + 1, command->code, command->action);
        } else {
            inserted = insertEvent(m, 0, command->code, command->action);
            state_.eventListRow = 0;
        }
        break;
    }
    showMacroEvents(page, m);
    return inserted == InsertResult::Overflow ? MenuOutcome::Overflow : MenuOutcome::Done;
}

void MacroEditor::storeEditedDelay(MacroPageControls& page) {
    const auto text = page.eventRowText(state_.eventListRow);
    if (!text) {
        return;
    }
    {
        const std::lock_guard lock(tables_.mutex);
        if (!isUserMacro(state_.editMacro) || state_.editEvent < 0) {
            return;
        }
        tables_.macroTable.records[static_cast<std::size_t>(state_.editMacro)].setDelay(
            static_cast<std::size_t>(state_.editEvent), delayFromRowText(*text));
    }
    showMacroEvents(page, state_.editMacro);
}

InsertResult MacroEditor::insertEvent(int macro, int position, std::uint8_t code,
                                      std::uint8_t action) {
    {
        const std::lock_guard lock(tables_.mutex);
        if (!isUserMacro(macro)) {
            return InsertResult::NoSuchMacro;
        }
        MacroRecord& r = tables_.macroTable.records[static_cast<std::size_t>(macro)];
        const std::size_t count = r.eventCount;
        if (count + 1 > kMaxMacroEvents) {
            return InsertResult::Overflow;
        }
        // A position past the end appends, so no stale slot ever becomes an event.
        const std::size_t p =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(position, 0)), count);
        for (std::size_t i = count; i > p; --i) {
            r.events[i] = r.events[i - 1];
            r.delays[i] = r.delays[i - 1];
        }
        r.events[p] = {code, action};
        r.setDelay(p, kDefaultEventDelay);
        r.eventCount = static_cast<std::uint8_t>(count + 1);
    }
    state_.eventListRow += 2;
    return InsertResult::Inserted;
}

void MacroEditor::deleteEvent(int macro, int position) {
    {
        const std::lock_guard lock(tables_.mutex);
        if (!isUserMacro(macro)) {
            return;
        }
        MacroRecord& r = tables_.macroTable.records[static_cast<std::size_t>(macro)];
        const std::size_t count = shownEventCount(r);
        const std::size_t newCount = count == 0 ? 0 : count - 1;
        if (position >= 0 && static_cast<std::size_t>(position) < newCount) {
            for (std::size_t i = static_cast<std::size_t>(position); i < newCount; ++i) {
                r.events[i] = r.events[i + 1];
                r.delays[i] = r.delays[i + 1];
            }
        }
        r.eventCount = static_cast<std::uint8_t>(newCount);
    }
    state_.eventListRow = state_.eventListRow > 2 ? state_.eventListRow - 2 : 0;
}

} // namespace torvex
