// Where the real skin places things: entries of its layout files.
#pragma once

#include "common/ini_store.h"
#include "common/leading_int.h"
#include "support/programs.h"

#include <array>
#include <string>
#include <string_view>

namespace torvex::testing {

// x, y, width and height of an entry of a layout file of the real skin (`file` relative to the
// skin folder, e.g. "INI_CN/skin_main.ini").
inline std::array<int, 4> layoutEntry(const std::string& file, const std::string& section,
                                      int key) {
    const std::string value =
        ini::readString(kData / "skins" / file, section, std::to_string(key), 260);
    std::array<int, 4> n{};
    std::size_t pos = value.find(',');
    for (int& v : n) {
        v = leadingInt(std::string_view(value).substr(pos + 1));
        pos = value.find(',', pos + 1);
    }
    return n;
}

} // namespace torvex::testing
