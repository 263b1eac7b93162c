#include "desktop/pointer_choice.h"

#include "desktop/run_tool.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace torvex::desktop {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return out;
}

// $XDG_CURRENT_DESKTOP is a colon-separated list, e.g. "ubuntu:GNOME".
bool desktopIs(std::string_view list, std::initializer_list<std::string_view> names) {
    std::string_view rest = list;
    while (true) {
        const auto colon = rest.find(':');
        const std::string item = lower(rest.substr(0, colon));
        for (const auto name : names) {
            if (item == name) {
                return true;
            }
        }
        if (colon == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(colon + 1);
    }
}

// The KDE tool pair that is installed, Plasma 6's first; nullopt when neither is.
std::optional<std::pair<std::string, std::string>> kdeTools(const DesktopEnvironment& env) {
    for (const std::string version : {"6", "5"}) {
        const std::string reader = "kreadconfig" + version;
        const std::string writer = "kwriteconfig" + version;
        if (env.hasProgram && env.hasProgram(reader) && env.hasProgram(writer)) {
            return std::pair{reader, writer};
        }
    }
    return std::nullopt;
}

BackendChoice kde(const DesktopEnvironment& env, std::string reason) {
    BackendChoice c{BackendKind::Kde, {}, "kreadconfig5", "kwriteconfig5", std::move(reason)};
    if (const auto tools = kdeTools(env)) {
        c.readTool = tools->first;
        c.writeTool = tools->second;
    }
    return c;
}

BackendChoice fromOverride(const DesktopEnvironment& env, const std::string& value) {
    const std::string why = "TORVEX_POINTER_BACKEND=" + value;
    if (value == "gnome") {
        return {BackendKind::Gnome, {}, {}, {}, why};
    }
    if (value == "kde") {
        return kde(env, why);
    }
    if (value == "x11") {
        return {BackendKind::X11, {}, {}, {}, why};
    }
    if (value == "none") {
        return {BackendKind::None, {}, {}, {}, why};
    }
    if (value.starts_with("file:") && value.size() > 5) {
        return {BackendKind::File, value.substr(5), {}, {}, why};
    }
    return {BackendKind::None,
            {},
            {},
            {},
            why + " is not one of gnome, kde, x11, file:PATH, none; pointer settings are left "
                  "alone"};
}

} // namespace

DesktopEnvironment currentEnvironment() {
    DesktopEnvironment env;
    const auto get = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::string(v) : std::string();
    };
    if (const char* v = std::getenv("TORVEX_POINTER_BACKEND")) {
        env.backendOverride = v;
    }
    env.currentDesktop = get("XDG_CURRENT_DESKTOP");
    env.display = get("DISPLAY");
    env.sessionType = get("XDG_SESSION_TYPE");
    env.hasProgram = onPath;
    return env;
}

BackendChoice choosePointerBackend(const DesktopEnvironment& env) {
    if (env.backendOverride && !env.backendOverride->empty()) {
        return fromOverride(env, *env.backendOverride);
    }
    const std::string desktop = "XDG_CURRENT_DESKTOP=" + env.currentDesktop;
    if (desktopIs(env.currentDesktop, {"gnome", "unity", "budgie"}) && env.hasProgram &&
        env.hasProgram("gsettings")) {
        return {BackendKind::Gnome, {}, {}, {}, desktop + " and gsettings is installed"};
    }
    if (desktopIs(env.currentDesktop, {"kde"}) && kdeTools(env)) {
        return kde(env, desktop + " and the KDE config tools are installed");
    }
    if (lower(env.sessionType) == "wayland") {
        return {BackendKind::None,
                {},
                {},
                {},
                "XDG_SESSION_TYPE=wayland and no GNOME or KDE tools for " + desktop +
                    ": X11 pointer settings would only reach XWayland; pointer settings are left "
                    "alone"};
    }
    if (!env.display.empty()) {
        return {BackendKind::X11, {}, {}, {}, "DISPLAY=" + env.display};
    }
    return {BackendKind::None, {}, {}, {}, "no desktop found whose pointer settings we know"};
}

std::unique_ptr<device::PointerSettings> createPointerSettings(const BackendChoice& choice,
                                                               Log log) {
    std::unique_ptr<device::PointerSettings> made;
    switch (choice.kind) {
    case BackendKind::Gnome:
        made = std::make_unique<GnomePointerSettings>(log);
        break;
    case BackendKind::Kde:
        made = std::make_unique<KdePointerSettings>(choice.readTool, choice.writeTool);
        break;
    case BackendKind::X11:
        made = std::make_unique<X11PointerSettings>(log);
        break;
    case BackendKind::File:
        made = std::make_unique<device::FilePointerSettings>(choice.file);
        break;
    case BackendKind::None:
        made = std::make_unique<device::NoPointerSettings>();
        break;
    }
    if (log) {
        log("pointer settings: " + made->name() + " (" + choice.reason + ")");
    }
    return made;
}

std::unique_ptr<device::PointerSettings> createPointerSettings(Log log) {
    return createPointerSettings(choosePointerBackend(currentEnvironment()), std::move(log));
}

} // namespace torvex::desktop
