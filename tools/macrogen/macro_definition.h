#pragma once

#include "macro/macro_record.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvex::macrogen {

// A readable macro definition, turned into the macro table a .dat file is written from.
//
//   # comment (whole lines only)
//   table user | fixed          which table the file fills (user: 12 macros, fixed: 13)
//   output RELATIVE/PATH.dat    where the generated file goes, relative to the data folder;
//                               may be given more than once
//   macro NAME                  starts a macro; NAME is the rest of the line (UTF-8, at most
//                               19 UTF-16 code units)
//   repeat N                    plays N times (1..65535); without it the macro plays once
//   down KEY [Nms]              one event; KEY is a key name as the event list shows it
//   up KEY [Nms]                ("A", "F5", "LCONTROL", "L-KEY", ...) or #CODE for a raw code
//   press KEY [Nms]             down and up
//   combo KEY KEY... [Nms]      every key down in order, then up in reverse order
//   type TEXT                   types ASCII text on a US layout (letters, digits, space and
//                               common punctuation), with Shift where needed
//   wait Nms                    sets the pause after the previous event
//   end                         ends the macro
//
// Every event is followed by the given pause, 30 ms when none is given.
struct MacroDefinition {
    MacroTable table;
    std::vector<std::filesystem::path> outputs;
};

struct ParseResult {
    std::optional<MacroDefinition> definition;
    std::string error; // "LINE: message" when parsing failed
};

ParseResult parseMacroDefinition(std::string_view text);
ParseResult parseMacroDefinitionFile(const std::filesystem::path& file);

// Writes the table as a fresh macro file at `file` (no keys left over from an earlier file),
// creating its folder; the old file is replaced only when the new one is complete.
bool writeFreshMacroFile(const std::filesystem::path& file, const MacroTable& table,
                         std::string* error = nullptr);

} // namespace torvex::macrogen
