#include "common/leading_int.h"
#include "desktop/pointer_backends.h"
#include "desktop/run_tool.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace torvex::desktop {
namespace {

constexpr std::string_view kGnomeSchema = "org.gnome.desktop.peripherals.mouse";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string accelerationText(int systemSpeed) {
    const int steps = std::clamp(systemSpeed, 0, 20) - 10; // tenths of the −1..1 scale
    const int magnitude = steps < 0 ? -steps : steps;
    return (steps < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." +
           std::to_string(magnitude % 10);
}

std::optional<int> speedFromAcceleration(std::string_view text) {
    text = trimmed(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double speed = std::round(value * 10.0 + 10.0);
    return static_cast<int>(std::clamp(speed, 1.0, 20.0));
}

GnomePointerSettings::GnomePointerSettings(Log log, std::string tool)
    : log_(std::move(log)), tool_(std::move(tool)) {}

std::optional<int> GnomePointerSettings::speed() {
    const auto out = runTool({tool_, "get", std::string(kGnomeSchema), "speed"});
    return out ? speedFromAcceleration(*out) : std::nullopt;
}

bool GnomePointerSettings::setSpeed(int systemSpeed) {
    return runTool(
               {tool_, "set", std::string(kGnomeSchema), "speed", accelerationText(systemSpeed)})
        .has_value();
}

std::optional<int> GnomePointerSettings::wheelLines() {
    if (!toldNoWheel_ && log_) {
        log_("gnome has no wheel scroll lines setting; the wheel speed is left alone");
    }
    toldNoWheel_ = true;
    return std::nullopt;
}

KdePointerSettings::KdePointerSettings(std::string readTool, std::string writeTool)
    : readTool_(std::move(readTool)), writeTool_(std::move(writeTool)) {}

std::optional<std::string> KdePointerSettings::read(std::string_view file, std::string_view group,
                                                    std::string_view key,
                                                    std::string_view fallback) const {
    return runTool({readTool_, "--file", std::string(file), "--group", std::string(group), "--key",
                    std::string(key), "--default", std::string(fallback)});
}

bool KdePointerSettings::write(std::string_view file, std::string_view group, std::string_view key,
                               std::string_view value) const {
    // "--" ends the options, so that a negative value is not taken for one.
    return runTool({writeTool_, "--file", std::string(file), "--group", std::string(group), "--key",
                    std::string(key), "--", std::string(value)})
        .has_value();
}

std::optional<int> KdePointerSettings::speed() {
    const auto out = read("kcminputrc", "Mouse", "PointerAcceleration", "0");
    if (!out) {
        return std::nullopt;
    }
    // A hand-edited value that is no number still means the settings are there: the default.
    return speedFromAcceleration(*out).value_or(device::kExitPointerSpeed);
}

bool KdePointerSettings::setSpeed(int systemSpeed) {
    return write("kcminputrc", "Mouse", "PointerAcceleration", accelerationText(systemSpeed));
}

std::optional<int> KdePointerSettings::wheelLines() {
    const auto out = read("kdeglobals", "KDE", "WheelScrollLines", "3");
    if (!out) {
        return std::nullopt;
    }
    return leadingInt(trimmed(*out));
}

bool KdePointerSettings::setWheelLines(int lines) {
    return write("kdeglobals", "KDE", "WheelScrollLines", std::to_string(lines));
}

} // namespace torvex::desktop
