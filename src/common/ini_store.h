#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace torvex::ini {

// Profile-string access to INI text files, one key per call; nothing is cached between calls.
//
// Reading: section and key names match without regard to ASCII case (first match wins); a
// missing file, section or key reads as the empty string. The value is the text after the first
// '=' with surrounding blanks removed (and one pair of enclosing quotes). It is cut to
// bufferSize - 1 UTF-16 code units, as a fixed buffer with its terminator would cut it, never
// splitting a surrogate pair. Files may be UTF-8 (with or without BOM) or UTF-16LE with BOM;
// values are returned as UTF-8.
std::string readString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::size_t bufferSize);

// Writing: replaces the value of the first matching key in place, or appends the key at the end
// of its section, creating the section (at the end of the file) and the file when needed. Every
// other byte of the file stays as it was, its encoding and line endings included; new files are
// UTF-8 without BOM with "\n" line ends.
//
// The file is replaced atomically (temporary file in the same folder, fsync, rename), writers are
// serialised across threads and processes, and a failed write leaves the old file intact.
// Returns false on failure; `error`, when given, then receives a readable reason.
bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value, std::string* error = nullptr);

using KeyValue = std::pair<std::string_view, std::string_view>;

// Several keys of one section in one replacement of the file: the result is that of writing them
// one by one in order, but the file is rewritten (and synced) once, and either all of them or
// none reach it.
bool writeStrings(const std::filesystem::path& file, std::string_view section,
                  std::span<const KeyValue> entries, std::string* error = nullptr);

} // namespace torvex::ini
