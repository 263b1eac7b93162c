// Picks the pointer-settings backend for this session.
#pragma once

#include "desktop/pointer_backends.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace torvex::desktop {

// What the choice looks at; currentEnvironment() reads it from the process.
struct DesktopEnvironment {
    std::optional<std::string> backendOverride;         // $TORVEX_POINTER_BACKEND, when set
    std::string currentDesktop;                         // $XDG_CURRENT_DESKTOP
    std::string display;                                // $DISPLAY
    std::string sessionType;                            // $XDG_SESSION_TYPE
    std::function<bool(const std::string&)> hasProgram; // found on PATH
};
DesktopEnvironment currentEnvironment();

enum class BackendKind { Gnome, Kde, X11, File, None };

struct BackendChoice {
    BackendKind kind = BackendKind::None;
    std::filesystem::path file; // File: the INI file
    std::string readTool;       // Kde: kreadconfig6 or kreadconfig5
    std::string writeTool;      // Kde: kwriteconfig6 or kwriteconfig5
    std::string reason;         // one line for the log
};

// The order:
//  1. $TORVEX_POINTER_BACKEND when set and not empty: gnome, kde, x11, file:PATH or none, taken as
//     given (an unknown value chooses none and says why);
//  2. $XDG_CURRENT_DESKTOP names GNOME (or a GNOME-based desktop: Unity, Budgie) and gsettings
//     is installed: gnome;
//  3. $XDG_CURRENT_DESKTOP names KDE and kreadconfig6/kwriteconfig6 or kreadconfig5/kwriteconfig5
//     are installed: kde;
//  4. $XDG_SESSION_TYPE is wayland: none, because $DISPLAY there is XWayland, which takes the
//     X11 pointer control without error and the compositor never applies it;
//  5. $DISPLAY is set: x11;
//  6. none: downloads leave the desktop's pointer settings alone.
BackendChoice choosePointerBackend(const DesktopEnvironment& env);

// Builds the chosen backend. `log` gets the reason of the choice and, once, the note that the
// desktop has no wheel-lines setting.
std::unique_ptr<device::PointerSettings> createPointerSettings(const BackendChoice& choice,
                                                               Log log = {});
std::unique_ptr<device::PointerSettings> createPointerSettings(Log log = {});

} // namespace torvex::desktop
