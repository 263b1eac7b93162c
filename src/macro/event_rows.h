#pragma once

#include "macro/macro_record.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvex {

// Direction marks of the event list ("[↓]" and "[↑]"), UTF-8.
inline constexpr std::string_view kDownMark = "[\u2193]";
inline constexpr std::string_view kUpMark = "[\u2191]";

// Number of events a record shows and plays as editable: eventCount, at most 254.
std::size_t shownEventCount(const MacroRecord& record);

// The row of one event: its direction mark (none for an action that is neither down nor up)
// followed by the key name.
std::string eventRowText(MacroEvent event);

// The row of a pause: four spaces, the milliseconds, "ms".
std::string delayRowText(std::uint16_t ms);

// The event list of a record: event k at row 2k, the pause between events k and k+1 at row
// 2k+1, so 2n-1 rows for n events. The pause after the last event has no row.
std::vector<std::string> eventRows(const MacroRecord& record);

// How many rows of eventRows carry each mark.
struct MarkCounts {
    int down = 0;
    int up = 0;
    bool operator==(const MarkCounts&) const = default;
};
MarkCounts markCounts(const MacroRecord& record);

} // namespace torvex
