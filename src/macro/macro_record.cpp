#include "macro/macro_record.h"

#include <algorithm>

namespace torvex {

std::u16string_view MacroRecord::nameView() const {
    const auto end = std::find(name.begin(), name.end(), u'\0');
    return {name.data(), static_cast<std::size_t>(end - name.begin())};
}

void MacroRecord::setName(std::u16string_view text) {
    const std::u16string_view fitted = fitMacroName(text);
    name.fill(u'\0');
    std::copy(fitted.begin(), fitted.end(), name.begin());
}

std::u16string_view fitMacroName(std::u16string_view text) {
    std::size_t length = std::min(text.size(), kMacroNameUnits - 1);
    // Keep a surrogate pair whole: drop a high surrogate whose partner did not fit.
    if (length > 0 && length < text.size()) {
        const char16_t last = text[length - 1];
        if (last >= 0xD800 && last <= 0xDBFF) {
            --length;
        }
    }
    return text.substr(0, length);
}

std::size_t MacroTable::usedCount() const {
    return static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(capacity())));
}

int FindMacroByName(const MacroTable& table, std::u16string_view name) {
    const std::size_t used = table.usedCount();
    for (std::size_t i = 0; i < used; ++i) {
        if (table.records[i].nameView() == name) {
            return static_cast<int>(i);
        }
    }
    // The clamped count: the answer is used as a slot index for a new macro.
    return static_cast<int>(used);
}

void ClearRecord(MacroTable& table, std::size_t slot) {
    if (slot < table.records.size()) {
        table.records[slot] = MacroRecord{};
    }
}

std::optional<MacroPlaybackHeader> MacroTables::header(MacroTableKind kind,
                                                       std::size_t slot) const {
    const std::lock_guard lock(mutex);
    const MacroTable& t = table(kind);
    if (slot >= t.records.size()) {
        return std::nullopt;
    }
    const MacroRecord& r = t.records[slot];
    return MacroPlaybackHeader{r.repeatMode, r.repeatCount(), r.eventCount};
}

std::optional<MacroStep> MacroTables::step(MacroTableKind kind, std::size_t slot,
                                           std::size_t index) const {
    const std::lock_guard lock(mutex);
    const MacroTable& t = table(kind);
    if (slot >= t.records.size()) {
        return std::nullopt;
    }
    const MacroRecord& r = t.records[slot];
    if (index >= r.eventCount) {
        return std::nullopt;
    }
    return MacroStep{r.events[index], r.delay(index)};
}

} // namespace torvex
