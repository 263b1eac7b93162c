#include "macro/event_rows.h"

#include "macro/key_codes.h"

#include <algorithm>

namespace torvex {

std::size_t shownEventCount(const MacroRecord& record) {
    return std::min<std::size_t>(record.eventCount, kMaxMacroEvents);
}

std::string eventRowText(MacroEvent event) {
    std::string row;
    if (event.action == kActionDown) {
        row = kDownMark;
    } else if (event.action == kActionUp) {
        row = kUpMark;
    }
    return row + KeyName(event.code);
}

std::string delayRowText(std::uint16_t ms) {
    return "    " + std::to_string(ms) + "ms";
}

std::vector<std::string> eventRows(const MacroRecord& record) {
    std::vector<std::string> rows;
    const std::size_t n = shownEventCount(record);
    rows.reserve(n == 0 ? 0 : 2 * n - 1);
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0) {
            rows.push_back(delayRowText(record.delay(k - 1)));
        }
        rows.push_back(eventRowText(record.events[k]));
    }
    return rows;
}

MarkCounts markCounts(const MacroRecord& record) {
    MarkCounts counts;
    const std::size_t n = shownEventCount(record);
    for (std::size_t k = 0; k < n; ++k) {
        counts.down += record.events[k].action == kActionDown ? 1 : 0;
        counts.up += record.events[k].action == kActionUp ? 1 : 0;
    }
    return counts;
}

} // namespace torvex
