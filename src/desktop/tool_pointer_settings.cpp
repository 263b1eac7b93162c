#include "common/leading_int.h"
#include "desktop/pointer_backends.h"
#include "desktop/run_tool.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// A group name as KConfig stores it in a header: backslash escapes for the characters that would
// break the line ([ and ] come as \x5b and \x5d). nullopt for an escape KConfig does not write.
std::optional<std::string> unescapedGroupName(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 's':
            out += ' ';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x': {
            if (text.size() - i - 1 < 2) {
                return std::nullopt;
            }
            unsigned value = 0;
            const char* digits = text.data() + i + 1;
            const auto [end, ec] = std::from_chars(digits, digits + 2, value, 16);
            if (ec != std::errc{} || end != digits + 2) {
                return std::nullopt;
            }
            out += static_cast<char>(value);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

// The nested group names of a header line "[a][b]…", or nullopt when the line is no plain header.
std::optional<std::vector<std::string>> headerGroups(std::string_view line) {
    std::vector<std::string> groups;
    while (!line.empty()) {
        const auto close = line.find(']');
        if (line.front() != '[' || close == std::string_view::npos) {
            return std::nullopt;
        }
        auto name = unescapedGroupName(line.substr(1, close - 1));
        if (!name) {
            return std::nullopt;
        }
        groups.push_back(std::move(*name));
        line.remove_prefix(close + 1);
    }
    if (groups.empty()) {
        return std::nullopt;
    }
    return groups;
}

// The folder kwriteconfig resolves a bare file name in.
std::optional<std::filesystem::path> kdeConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        return std::filesystem::path(xdg);
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::filesystem::path(home) / ".config";
    }
    return std::nullopt;
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

std::vector<std::vector<std::string>> kdeDeviceGroups(std::string_view kcminputrc) {
    std::vector<std::vector<std::string>> found;
    while (!kcminputrc.empty()) {
        const auto newline = kcminputrc.find('\n');
        const std::string_view line = trimmed(kcminputrc.substr(0, newline));
        kcminputrc.remove_prefix(newline == std::string_view::npos ? kcminputrc.size()
                                                                   : newline + 1);
        if (!line.starts_with("[Libinput]")) {
            continue;
        }
        auto groups = headerGroups(line);
        if (!groups || groups->size() != 4 || !allDigits((*groups)[1]) ||
            !allDigits((*groups)[2]) || (*groups)[3].empty()) {
            continue;
        }
        if (std::find(found.begin(), found.end(), *groups) == found.end()) {
            found.push_back(std::move(*groups));
        }
    }
    return found;
}

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

bool KdePointerSettings::write(std::string_view file, const std::vector<std::string>& groups,
                               std::string_view key, std::string_view value) const {
    std::vector<std::string> argv{writeTool_, "--file", std::string(file)};
    for (const auto& group : groups) {
        argv.insert(argv.end(), {"--group", group}); // repeated: one level of nesting each
    }
    // "--" ends the options, so that a negative value is not taken for one.
    argv.insert(argv.end(), {"--key", std::string(key), "--", std::string(value)});
    return runTool(argv).has_value();
}

std::optional<int> KdePointerSettings::speed() {
    const auto out = read("kcminputrc", "Mouse", "XLbInptPointerAcceleration", "0");
    if (!out) {
        return std::nullopt;
    }
    // A hand-edited value that is no number still means the settings are there: the default.
    return speedFromAcceleration(*out).value_or(device::kExitPointerSpeed);
}

bool KdePointerSettings::setSpeed(int systemSpeed) {
    const std::string value = accelerationText(systemSpeed);
    // X11 sessions read the [Mouse] key; Wayland's KWin reads only its own device groups, so
    // those it has created get the same value. New devices start from KWin's default.
    bool ok = write("kcminputrc", {"Mouse"}, "XLbInptPointerAcceleration", value);
    if (const auto folder = kdeConfigFolder()) {
        for (const auto& groups : kdeDeviceGroups(fileText(*folder / "kcminputrc"))) {
            ok = write("kcminputrc", groups, "PointerAcceleration", value) && ok;
        }
    }
    return ok;
}

std::optional<int> KdePointerSettings::wheelLines() {
    const auto out = read("kdeglobals", "KDE", "WheelScrollLines", "3");
    if (!out) {
        return std::nullopt;
    }
    return leadingInt(trimmed(*out));
}

bool KdePointerSettings::setWheelLines(int lines) {
    return write("kdeglobals", {"KDE"}, "WheelScrollLines", std::to_string(lines));
}

} // namespace torvex::desktop
