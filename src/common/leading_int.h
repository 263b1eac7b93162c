#pragma once

#include <string_view>

namespace torvex {

// The one number reader for every value that comes from a file or an edit field: skip leading
// white space, take an optional sign, then decimal digits up to the first other character.
// No digits give 0. Values beyond the range of int saturate instead of overflowing.
int leadingInt(std::string_view text);
int leadingInt(std::u16string_view text);

} // namespace torvex
