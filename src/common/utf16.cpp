#include "common/utf16.h"

#include <cstdint>

namespace torvex {
namespace {

constexpr char32_t replacement = 0xFFFD;

// Decodes one code point at text[i]; returns its length in bytes (1 for a malformed byte, which
// then yields U+FFFD).
std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& out) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        out = replacement;
        return 1;
    }
    if (i + length > text.size()) {
        out = replacement;
        return 1;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            out = replacement;
            return 1;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out = replacement;
        return 1;
    }
    out = cp;
    return length;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        i += decodeUtf8(text, i, cp);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = replacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::size_t utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        i += decodeUtf8(text, i, cp);
        units += cp >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::string_view utf8PrefixByUtf16Units(std::string_view text, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        const std::size_t length = decodeUtf8(text, i, cp);
        const std::size_t need = cp >= 0x10000 ? 2 : 1;
        if (units + need > maxUnits) {
            break;
        }
        units += need;
        i += length;
    }
    return text.substr(0, i);
}

} // namespace torvex
