#include "common/leading_int.h"

#include <climits>
#include <cstdint>

namespace torvex {
namespace {

template <typename Char>
int parseLeadingInt(std::basic_string_view<Char> text) {
    std::size_t i = 0;
    const auto isSpace = [](Char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a magnitude and clamp, so absurdly long digit runs cannot overflow.
    constexpr std::int64_t limit = std::int64_t{INT_MAX} + 1;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            value = limit;
        }
    }
    if (negative) {
        return static_cast<int>(-value);
    }
    return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

} // namespace

int leadingInt(std::string_view text) {
    return parseLeadingInt(text);
}
int leadingInt(std::u16string_view text) {
    return parseLeadingInt(text);
}

} // namespace torvex
