// The programs and factory data of this build, and the window's titles. Needs TORVEX_BINARY_DIR
// and TORVEX_SOURCE_DIR, which every test and benchmark target defines.
#pragma once

#include <filesystem>
#include <string>

namespace torvex::testing {

inline const std::filesystem::path kTorvex =
    std::filesystem::path(TORVEX_BINARY_DIR) / "bin" / "torvex";
inline const std::filesystem::path kTorvexCtl =
    std::filesystem::path(TORVEX_BINARY_DIR) / "bin" / "torvexctl";
inline const std::filesystem::path kData = std::filesystem::path(TORVEX_SOURCE_DIR) / "data";
inline const std::string kTitleCn = "TORVEX V3宏编程游戏鼠标驱动";
inline const std::string kTitleEn = "TORVEX V3 Gaming Mouse Driver";

} // namespace torvex::testing
