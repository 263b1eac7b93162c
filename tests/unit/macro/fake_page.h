// The macro page's four controls as plain data, behaving like list boxes and edits: selecting a
// row outside a list selects nothing, removing the selected row leaves no selection.
#pragma once

#include "common/utf16.h"
#include "macro/macro_editor.h"

#include <string>
#include <vector>

namespace torvex::test {

struct FakePage : MacroPageControls {
    std::vector<std::u16string> macros;
    int macroSel = -1;
    std::u16string name;
    std::vector<std::u16string> events;
    int eventSel = -1;
    std::u16string repeat = u"1";
    bool repeatEnabled = false;
    int invalidations = 0;

    int macroRowCount() const override { return static_cast<int>(macros.size()); }
    int macroSelection() const override { return macroSel; }
    std::u16string macroRowText(int row) const override {
        return inRange(row, macros) ? macros[static_cast<std::size_t>(row)] : u"";
    }
    void clearMacroRows() override {
        macros.clear();
        macroSel = -1;
    }
    void addMacroRow(std::u16string_view text) override { macros.emplace_back(text); }
    void removeMacroRow(int row) override {
        if (!inRange(row, macros)) {
            return;
        }
        macros.erase(macros.begin() + row);
        macroSel = macroSel == row ? -1 : macroSel > row ? macroSel - 1 : macroSel;
    }
    void selectMacroRow(int row) override { macroSel = inRange(row, macros) ? row : -1; }
    void focusMacroList() override {}

    std::u16string nameText() const override { return name; }
    void setNameText(std::u16string_view text) override { name = text; }

    int eventRowCount() const override { return static_cast<int>(events.size()); }
    int eventSelection() const override { return eventSel; }
    std::optional<std::u16string> eventRowText(int row) const override {
        if (!inRange(row, events)) {
            return std::nullopt;
        }
        return events[static_cast<std::size_t>(row)];
    }
    void clearEventRows() override {
        events.clear();
        eventSel = -1;
    }
    void addEventRow(std::u16string_view text) override { events.emplace_back(text); }
    void selectEventRow(int row) override { eventSel = inRange(row, events) ? row : -1; }
    void focusEventList() override {}

    std::u16string repeatText() const override { return repeat; }
    void setRepeatText(std::u16string_view text) override { repeat = text; }
    void setRepeatEnabled(bool enabled) override { repeatEnabled = enabled; }

    void invalidate() override { ++invalidations; }

    // The event rows in UTF-8, for readable expectations.
    std::vector<std::string> eventTexts() const {
        std::vector<std::string> out;
        for (const auto& row : events) {
            out.push_back(utf16ToUtf8(row));
        }
        return out;
    }

private:
    template <typename T>
    static bool inRange(int row, const std::vector<T>& rows) {
        return row >= 0 && static_cast<std::size_t>(row) < rows.size();
    }
};

struct Ev {
    int code;
    int action;
    int delay;
    bool operator==(const Ev&) const = default;
};

inline MacroRecord makeMacro(std::u16string_view name, const std::vector<Ev>& events,
                             int repeatMode = 0, int repeatCount = 1) {
    MacroRecord r;
    r.setName(name);
    r.repeatMode = static_cast<std::uint8_t>(repeatMode);
    r.setRepeatCount(static_cast<std::uint16_t>(repeatCount));
    for (std::size_t i = 0; i < events.size(); ++i) {
        r.events[i] = {static_cast<std::uint8_t>(events[i].code),
                       static_cast<std::uint8_t>(events[i].action)};
        r.setDelay(i, static_cast<std::uint16_t>(events[i].delay));
    }
    r.eventCount = static_cast<std::uint8_t>(events.size());
    return r;
}

inline std::vector<Ev> eventsOf(const MacroRecord& r) {
    std::vector<Ev> out;
    for (std::size_t i = 0; i < r.eventCount; ++i) {
        out.push_back({r.events[i].code, r.events[i].action, r.delay(i)});
    }
    return out;
}

} // namespace torvex::test
