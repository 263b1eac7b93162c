#pragma once

#include "macro/macro_record.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace torvex {

// Macro files: INI text, section "Macros", key "macroNum" and one key per macro ("0", "1", ...)
// whose value is the macro's 1064 file bytes as 3-digit decimal groups.
inline constexpr std::size_t kMacroDigits = 3 * kMacroRecordSize;

// Told of a macro file that cannot be loaded: `problem` is empty when the file does not exist
// (the window shows its not-found message, the CLI prints an error), else what is wrong with the
// file that is there (a folder, no read permission), so that nobody looks for a file that exists.
using MacroFileProblemHandler =
    std::function<void(const std::filesystem::path& file, const std::string& problem)>;

struct MacroLoadResult {
    bool fileFound = false;
    int countInFile = 0; // the file's macroNum as read
    int loaded = 0;      // records taken into the table (macroNum limited to the table)
};

// The file bytes of a record: the record's first 44 bytes, then each event slot as
// (virtual-key code, action, delay low, delay high).
std::array<std::uint8_t, kMacroRecordSize> macroFileBytes(const MacroRecord& record);
MacroRecord macroRecordFromFileBytes(const std::array<std::uint8_t, kMacroRecordSize>& bytes);

// The 3192-digit value of a record and its reading. Reading takes each 3-character group by the
// leading-integer rule and keeps the low 8 bits; missing groups read as 0. It never reads or
// writes beyond one record, whatever the text holds.
std::string encodeMacroRecord(const MacroRecord& record);
MacroRecord decodeMacroRecord(std::u16string_view digits);

// Reads a whole macro file into `table`: its count, the first count records (every byte of each),
// and for the user table currentMacro = the last of them. Records at and beyond the count keep
// what they held. A macroNum outside 0..capacity is limited to it: the extra macros are not
// loaded. A missing or unusable file calls `onProblem` and leaves the table empty (count 0); the
// result says so (fileFound false), and callers must not then save the empty table over a
// user's file.
MacroLoadResult LoadMacroFile(const std::filesystem::path& file, MacroTable& table,
                              const MacroFileProblemHandler& onProblem = {});

// Writes macroNum and the table's records 0..count-1 into section "Macros" of the file, as one
// replacement of the file: other keys stay (also higher-numbered macros of an earlier, larger
// save), and a failed save returns false and leaves the file as it was.
bool SaveMacroFile(const std::filesystem::path& file, const MacroTable& table,
                   std::string* error = nullptr);

enum class FactoryMacroRestore {
    Restored,           // the table holds the factory macros and the user file was rewritten
    FactoryFileMissing, // nothing changed: neither the table nor the user file
    SaveFailed,         // the table holds the factory macros, the user file could not be written
};

// The macro half of restore defaults: loads the factory file of the language into `table` and
// saves it as the user's macro file. When the factory file is missing or unusable, `onProblem`
// is told and neither the table nor the user's file is touched, so the user's macros are not
// replaced by an empty set.
FactoryMacroRestore RestoreFactoryMacros(const std::filesystem::path& factoryFile,
                                         const std::filesystem::path& userFile, MacroTable& table,
                                         const MacroFileProblemHandler& onProblem = {},
                                         std::string* error = nullptr);

} // namespace torvex
