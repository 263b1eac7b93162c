#include "macro/macro_file.h"

#include "common/ini_store.h"
#include "common/leading_int.h"
#include "common/paths.h"
#include "common/utf16.h"
#include "macro/key_codes.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

namespace torvex {

namespace {

constexpr std::string_view kSection = "Macros";
constexpr std::string_view kCountKey = "macroNum";
// Read buffers, terminator included: macroNum keeps two characters, a macro 3191.
constexpr std::size_t kCountBuffer = 3;
constexpr std::size_t kMacroBuffer = kMacroDigits;
constexpr std::size_t kHeaderBytes = 44;

} // namespace

std::array<std::uint8_t, kMacroRecordSize> macroFileBytes(const MacroRecord& record) {
    std::array<std::uint8_t, kMacroRecordSize> bytes{};
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(record.name[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(record.name[i] >> 8);
    }
    bytes[40] = record.repeatMode;
    bytes[41] = record.repeatCountBytes[0];
    bytes[42] = record.repeatCountBytes[1];
    bytes[43] = record.eventCount;
    for (std::size_t k = 0; k < kMacroEventSlots; ++k) {
        const std::size_t f = kHeaderBytes + 4 * k;
        bytes[f] = HidToVirtualKey(record.events[k].code);
        bytes[f + 1] = record.events[k].action;
        bytes[f + 2] = record.delays[k][0];
        bytes[f + 3] = record.delays[k][1];
    }
    return bytes;
}

MacroRecord macroRecordFromFileBytes(const std::array<std::uint8_t, kMacroRecordSize>& bytes) {
    MacroRecord record;
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        record.name[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    record.repeatMode = bytes[40];
    record.repeatCountBytes = {bytes[41], bytes[42]};
    record.eventCount = bytes[43];
    for (std::size_t k = 0; k < kMacroEventSlots; ++k) {
        const std::size_t f = kHeaderBytes + 4 * k;
        record.events[k] = {VirtualKeyToHid(bytes[f]), bytes[f + 1]};
        record.delays[k] = {bytes[f + 2], bytes[f + 3]};
    }
    return record;
}

std::string encodeMacroRecord(const MacroRecord& record) {
    std::string digits;
    digits.reserve(kMacroDigits);
    for (const std::uint8_t b : macroFileBytes(record)) {
        // Three digits with leading zeros: 7 -> "007", 42 -> "042", 200 -> "200".
        digits += static_cast<char>('0' + b / 100);
        digits += static_cast<char>('0' + b / 10 % 10);
        digits += static_cast<char>('0' + b % 10);
    }
    return digits;
}

MacroRecord decodeMacroRecord(std::u16string_view digits) {
    std::array<std::uint8_t, kMacroRecordSize> bytes{};
    for (std::size_t f = 0; f < kMacroRecordSize; ++f) {
        const std::size_t start = 3 * f;
        if (start >= digits.size()) {
            break;
        }
        bytes[f] = static_cast<std::uint8_t>(leadingInt(digits.substr(start, 3)) & 0xFF);
    }
    return macroRecordFromFileBytes(bytes);
}

MacroLoadResult LoadMacroFile(const std::filesystem::path& file, MacroTable& table,
                              const MacroFileProblemHandler& onProblem) {
    MacroLoadResult result;
    std::error_code ec;
    const auto problem = unusableFileReason(file);
    result.fileFound = !problem && std::filesystem::is_regular_file(file, ec);
    if (!result.fileFound) {
        if (onProblem) {
            onProblem(file, problem.value_or(std::string()));
        }
        // Go on as with an empty file: the reads below give an empty count.
    }

    result.countInFile = leadingInt(ini::readString(file, kSection, kCountKey, kCountBuffer));
    // The tables have no room beyond their capacity and a negative count means none.
    const int count = std::clamp(result.countInFile, 0, static_cast<int>(table.capacity()));
    table.count = count;
    if (table.kind == MacroTableKind::User) {
        table.currentMacro = count >= 1 ? count - 1 : 0;
    }
    for (int i = 0; i < count; ++i) {
        const std::string value = ini::readString(file, kSection, std::to_string(i), kMacroBuffer);
        table.records[static_cast<std::size_t>(i)] = decodeMacroRecord(utf8ToUtf16(value));
    }
    result.loaded = count;
    return result;
}

bool SaveMacroFile(const std::filesystem::path& file, const MacroTable& table, std::string* error) {
    const std::size_t count = table.usedCount();
    std::vector<std::pair<std::string, std::string>> texts{
        {std::string(kCountKey), std::to_string(count)}};
    for (std::size_t i = 0; i < count; ++i) {
        texts.emplace_back(std::to_string(i), encodeMacroRecord(table.records[i]));
    }
    // macroNum first, then the macros in order, as one replacement of the file: a failed save
    // leaves the old set whole instead of a new count over old macros.
    const std::vector<ini::KeyValue> entries(texts.begin(), texts.end());
    return ini::writeStrings(file, kSection, entries, error);
}

FactoryMacroRestore RestoreFactoryMacros(const std::filesystem::path& factoryFile,
                                         const std::filesystem::path& userFile, MacroTable& table,
                                         const MacroFileProblemHandler& onProblem,
                                         std::string* error) {
    MacroTable loaded = table;
    if (!LoadMacroFile(factoryFile, loaded, onProblem).fileFound) {
        if (error) {
            *error = "factory macro file missing: " + factoryFile.string();
        }
        return FactoryMacroRestore::FactoryFileMissing;
    }
    table = loaded;
    return SaveMacroFile(userFile, table, error) ? FactoryMacroRestore::Restored
                                                 : FactoryMacroRestore::SaveFailed;
}

} // namespace torvex
