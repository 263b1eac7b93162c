#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torvex {

// Lenient conversions: malformed input never fails; a bad UTF-8 byte or a lone surrogate becomes
// U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// Number of UTF-16 code units the UTF-8 text needs (each malformed byte counts as one).
std::size_t utf16Length(std::string_view text);

// The longest prefix of the UTF-8 text that fits in maxUnits UTF-16 code units, never cutting a
// character (nor a surrogate pair) in half.
std::string_view utf8PrefixByUtf16Units(std::string_view text, std::size_t maxUnits);

} // namespace torvex
