#include "device/pointer_settings.h"

#include "common/ini_store.h"
#include "common/leading_int.h"

#include <array>

namespace torvex::device {
namespace {

constexpr std::array<int, 10> kSystemSpeeds{1, 2, 4, 6, 8, 10, 12, 14, 16, 18};
constexpr std::string_view kSection = "Pointer";

std::optional<int> readOr(const std::filesystem::path& file, std::string_view key, int fallback) {
    const std::string text = ini::readString(file, kSection, key, 16);
    return text.empty() ? fallback : leadingInt(text);
}

} // namespace

int systemPointerSpeed(uint8_t pointerSpeed) {
    return pointerSpeed < kSystemSpeeds.size() ? kSystemSpeeds[pointerSpeed] : kSystemSpeeds.back();
}

int wheelScrollLines(uint8_t wheelSpeed) {
    return (wheelSpeed + 1) % 256;
}

std::optional<int> FilePointerSettings::speed() {
    return readOr(file_, "Speed", 10);
}

bool FilePointerSettings::setSpeed(int systemSpeed) {
    return ini::writeString(file_, kSection, "Speed", std::to_string(systemSpeed));
}

std::optional<int> FilePointerSettings::wheelLines() {
    return readOr(file_, "WheelLines", 3);
}

bool FilePointerSettings::setWheelLines(int lines) {
    return ini::writeString(file_, kSection, "WheelLines", std::to_string(lines));
}

} // namespace torvex::device
