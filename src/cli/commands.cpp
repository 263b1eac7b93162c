#include "cli/commands.h"

#include "common/ini_store.h"
#include "common/instance_lock.h"
#include "common/paths.h"
#include "common/utf16.h"
#include "desktop/pointer_choice.h"
#include "device/button_events.h"
#include "device/download.h"
#include "device/launcher.h"
#include "device/linux_hid_backend.h"
#include "device/mouse_session.h"
#include "device/report_trace.h"
#include "macro/event_rows.h"
#include "macro/key_codes.h"
#include "macro/macro_file.h"
#include "settings/config_store.h"
#include "settings/function_codes.h"
#include "sim/virtual_mouse.h"

#include <csignal>
#include <functional>
#include <iomanip>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <poll.h>
#include <sstream>
#include <sys/signalfd.h>
#include <unistd.h>

namespace torvex::cli {
namespace {
namespace fs = std::filesystem;

// Everything a command needs: where the files are, the interface language and current profile.
struct Context {
    const Options& options;
    std::ostream& out;
    std::ostream& err;
    AppPaths paths;
    int language = 0;
    int curConfig = 0;

    void log(const std::string& text) const {
        if (options.verbose) {
            err << "torvexctl: " << text << '\n';
        }
    }
    int fail(const std::string& text, int status = kExitFailure) const {
        err << "torvexctl: " << text << '\n';
        return status;
    }
};

// The profile a command works on: --profile, else the current one, which must be 1..5.
std::optional<int> chosenProfile(const Context& c) {
    if (c.options.profile) {
        return c.options.profile;
    }
    if (c.curConfig >= 1 && c.curConfig <= 5) {
        return c.curConfig;
    }
    c.err << "torvexctl: the current profile in " << c.paths.configPath() << " is " << c.curConfig
          << "; choose one with --profile 1..5\n";
    return std::nullopt;
}

// The mouse side of a command: the backend (hardware or virtual mouse), the pointer settings
// and the session over them, set up the way the window sets them up.
class Mouse {
public:
    Mouse(const Context& c, MacroTables& macros, device::ButtonEventHooks hooks = {}) : c_(c) {
        if (c.options.virtualMouse) {
            auto vm = std::make_unique<sim::VirtualMouse>();
            virtual_ = vm.get();
            backend_ = std::move(vm);
            if (c.options.virtualMouseDir) {
                pointer_ = std::make_unique<device::FilePointerSettings>(
                    *c.options.virtualMouseDir / "pointer.ini");
            }
        } else {
            backend_ = device::createLinuxHidBackend();
            if (!backend_) {
                c.err << "torvexctl: cannot reach the HID devices (libudev failed)\n";
                backend_ = std::make_unique<device::NoHidDevices>();
            }
            // The real mouse sets the desktop's own pointer settings.
            pointer_ = desktop::createPointerSettings(
                [&c](std::string_view line) { c.log(std::string(line)); });
        }
        if (!pointer_) {
            // The virtual mouse without a folder leaves the desktop's pointer settings alone.
            pointer_ = std::make_unique<device::NoPointerSettings>();
        }
        session_ = std::make_unique<device::MouseSession>(*backend_, macros, *pointer_,
                                                          c.paths.configPath(), std::move(hooks));
        if (c.options.trace) {
            const auto start = std::chrono::steady_clock::now();
            session_->channel().setTraceHook([this, start](const device::FeatureTrace& t) {
                c_.err << device::traceLine(t, start) << '\n' << std::flush;
            });
        }
    }

    // Serves the virtual mouse's folder when one was given (its control socket, reports.log, and
    // the folder pointer.ini lives in); false with a message on failure. Every command that sends
    // to the mouse does this, so a one-shot command leaves its trace as `run` does.
    bool serve() {
        if (virtual_ && c_.options.virtualMouseDir) {
            std::string error;
            if (!virtual_->serve(*c_.options.virtualMouseDir, &error)) {
                c_.err << "torvexctl: cannot serve the virtual mouse in "
                       << c_.options.virtualMouseDir->string() << ": " << error << '\n';
                return false;
            }
        }
        return true;
    }

    // Discovery; prints the no-mouse message when it finds nothing usable.
    bool find() {
        if (!session_->findDevice()) {
            c_.err << "torvexctl: no TORVEX V3 mouse found. Is it plugged in, and may this user "
                      "open its /dev/hidraw nodes (see the udev rule 70-torvex.rules)? "
                      "Use --virtual-mouse to try torvex without it.\n";
            return false;
        }
        c_.log("mouse found at " + session_->link().devicePath());
        return true;
    }

    // serve() then find(), for the commands that need the mouse at once: kExitOk, or the exit
    // status to end with (the message is out).
    int connect() {
        if (!serve()) {
            return kExitFailure;
        }
        return find() ? kExitOk : kExitNoMouse;
    }

    device::HidBackend& backend() { return *backend_; }
    device::MouseSession& session() { return *session_; }

private:
    const Context& c_;
    std::unique_ptr<device::HidBackend> backend_;
    sim::VirtualMouse* virtual_ = nullptr;
    std::unique_ptr<device::PointerSettings> pointer_;
    std::unique_ptr<device::MouseSession> session_;
};

// Commands that drive the mouse hold the instance lock, as the window does.
std::optional<InstanceLock> lockOrExplain(const Context& c) {
    std::string holder;
    const bool virtualMouse = c.options.virtualMouse;
    auto lock = InstanceLock::tryAcquire(InstanceLock::keyFor(virtualMouse, c.paths.appDir),
                                         "torvexctl", &holder);
    if (!lock) {
        c.err << "torvexctl: " << InstanceLock::busyMessage(virtualMouse, c.paths.appDir, holder)
              << ". Use it, or end it first.\n";
    }
    return lock;
}

int devices(const Context& c) {
    MacroTables none;
    Mouse mouse(c, none);
    const auto interfaces = mouse.backend().enumerate();
    c.out << "HID interfaces: " << interfaces.size() << '\n';
    for (const auto& i : interfaces) {
        std::ostringstream line;
        line << std::hex << std::setfill('0') << "  " << i.path << "  " << std::setw(4)
             << i.vendorId << ':' << std::setw(4) << i.productId << "  usage " << std::setw(4)
             << i.caps.usagePage << '/' << std::setw(4) << i.caps.usage << std::dec << "  input "
             << i.caps.inputReportByteLength << "  output " << i.caps.outputReportByteLength
             << "  feature " << i.caps.featureReportByteLength;
        const bool ours = i.vendorId == device::kMouseVendorId &&
                          i.productId == device::kMouseProductId &&
                          i.caps.usage == device::kVendorUsage;
        if (ours && i.caps.usagePage == device::kReadUsagePage) {
            line << "  <- mouse input collection";
        } else if (ours && i.caps.usagePage == device::kWriteUsagePage) {
            line << "  <- mouse feature collection";
        }
        c.out << line.str() << '\n';
    }
    mouse.session().findDevice();
    const auto& link = mouse.session().link();
    const auto state = [](const device::DeviceHandle& h) {
        return h.isOpen() ? "open" : h.isInvalid() ? "failed to open" : "not found";
    };
    c.out << "mouse: " << (link.deviceFound() ? "found" : "not found") << "; input collection "
          << state(link.readHandle()) << " (report length " << link.readCaps().inputReportByteLength
          << "), feature collection " << state(link.writeHandle()) << " (report length "
          << link.writeCaps().featureReportByteLength << ")\n";
    c.out << "pointer settings: " << mouse.session().pointer().name() << '\n';
    return kExitOk;
}

int show(const Context& c) {
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    MouseSettings settings;
    LoadConfiguration(c.paths.configPath(), *profile, false, c.language, settings);
    for (const auto& [key, value] : configurationEntries(settings)) {
        c.out << key << '=' << value << '\n';
    }
    return kExitOk;
}

void applyAssignment(MouseSettings& s, const std::string& key, int value) {
    if (key[0] == 'K') {
        s.buttonFunction[static_cast<std::size_t>(key[1] - '0')] = value;
    } else if (key == "DPI_LEVEL") {
        s.dpiLevel = value;
    } else if (key == "WHEEL_STATUS") {
        s.wheelStatus = value;
    } else if (key == "MACRO_MODE2") {
        s.macroMode = value;
    } else if (key.starts_with("DPI_SET_EN")) {
        s.dpiSetEnabled[static_cast<std::size_t>(key.back() - '0')] = static_cast<uint8_t>(value);
    } else if (key.starts_with("DPI_SET")) {
        s.setDpiSet(static_cast<std::size_t>(key.back() - '0'), static_cast<uint8_t>(value));
    } else if (key == "LED_STATUS") {
        s.ledStatus = static_cast<uint8_t>(value);
    } else if (key == "DPI_SPEED") {
        s.pointerSpeed = static_cast<uint8_t>(value);
    } else if (key == "WHEEL_SPEED") {
        s.wheelSpeed = static_cast<uint8_t>(value);
    } else if (key == "USB_SPEED") {
        s.usbSpeed = static_cast<uint8_t>(value);
    } else if (key == "FIRE_TIME") {
        s.fireTime = value;
    }
}

int set(const Context& c) {
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    MouseSettings settings;
    LoadConfiguration(c.paths.configPath(), *profile, false, c.language, settings);
    std::map<std::string, std::string> changes;
    for (const auto& [key, value] : c.options.assignments) {
        applyAssignment(settings, key, value);
        changes[key] = std::to_string(value);
    }
    // The rules the window keeps: a left click somewhere, an enabled DPI level in use.
    const auto& f = settings.buttonFunction;
    if (std::find(f.begin(), f.end(), kLeftClickCode) == f.end()) {
        return c.fail("refused: no button would keep the left click (function 1)");
    }
    const auto& en = settings.dpiSetEnabled;
    if (std::all_of(en.begin(), en.end(), [](uint8_t e) { return e == 0; })) {
        return c.fail("refused: at least one DPI level must stay enabled");
    }
    if (settings.dpiLevel < 0 || settings.dpiLevel > 3 ||
        en[static_cast<std::size_t>(settings.dpiLevel)] == 0) {
        return c.fail("refused: DPI_LEVEL " + std::to_string(settings.dpiLevel) +
                      " is not an enabled level");
    }
    // Only the keys given are written, in one replacement of the file.
    std::vector<ini::KeyValue> entries(changes.begin(), changes.end());
    std::string error;
    if (!ini::writeStrings(c.paths.configPath(), "Config" + std::to_string(*profile), entries,
                           &error)) {
        return c.fail(error);
    }
    c.log("profile " + std::to_string(*profile) + " saved");
    return kExitOk;
}

int apply(const Context& c) {
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    auto lock = lockOrExplain(c);
    if (!lock) {
        return kExitBusy;
    }
    MacroTables none;
    Mouse mouse(c, none);
    if (const int status = mouse.connect(); status != kExitOk) {
        return status;
    }
    MouseSettings settings;
    LoadConfiguration(c.paths.configPath(), *profile, false, c.language, settings);
    const auto result = mouse.session().download(settings, *profile);
    if (!result.saved) {
        return c.fail("the settings were sent, but could not be saved: " + result.error);
    }
    c.log("profile " + std::to_string(*profile) + " applied");
    return kExitOk;
}

int exportProfile(const Context& c) {
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    MouseSettings settings;
    LoadConfiguration(c.paths.configPath(), *profile, false, c.language, settings);
    std::string error;
    if (!ExportConfiguration(c.options.path, settings, &error)) {
        return c.fail("cannot export to " + c.options.path.string() + ": " + error);
    }
    return kExitOk;
}

int importProfile(const Context& c) {
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    const fs::path& file = c.options.path;
    if (const auto problem = unusableFileReason(file)) {
        return c.fail("cannot import: " + *problem);
    }
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        return c.fail("cannot import " + file.string() + ": no such file");
    }
    // A file without the section would import as all zeros and wipe the profile.
    const std::string section = configSectionName(kExchangeConfigNumber, false, 0);
    MouseSettings probe;
    bool anyKey = false;
    for (const auto& [key, value] : configurationEntries(probe)) {
        anyKey = anyKey || !ini::readString(file, section, key, 10).empty();
    }
    if (!anyKey) {
        return c.fail("cannot import " + file.string() + ": it has no [" + section +
                      "] section with settings");
    }
    MouseSettings settings;
    ImportConfiguration(file, settings);
    std::string error;
    if (!SaveConfiguration(c.paths.configPath(), *profile, settings, &error)) {
        return c.fail(error);
    }
    c.log("imported into profile " + std::to_string(*profile));
    return kExitOk;
}

// Loads the user macro table of the interface language (and the fixed one); false, with a
// message, when a file is missing or cannot be used (then its table stays empty).
bool loadMacros(const Context& c, MacroTables& tables, bool fixedToo) {
    bool allLoaded = true;
    const auto onProblem = [&](const fs::path& file, const std::string& problem) {
        c.err << "torvexctl: "
              << (problem.empty() ? "macro file not found: " + file.string() : problem) << '\n';
        allLoaded = false;
    };
    LoadMacroFile(c.paths.macroFilePath(c.language), tables.macroTable, onProblem);
    if (fixedToo) {
        LoadMacroFile(c.paths.constMacroPath(), tables.constMacroTable, onProblem);
    }
    return allLoaded;
}

std::string repeatText(const MacroRecord& r) {
    return r.repeatMode == 0 ? "once" : std::to_string(r.repeatCount()) + " times";
}

int macroList(const Context& c) {
    MacroTables tables;
    if (!loadMacros(c, tables, false)) {
        return kExitFailure;
    }
    for (std::size_t i = 0; i < tables.macroTable.usedCount(); ++i) {
        const MacroRecord& r = tables.macroTable.records[i];
        c.out << i << '\t' << utf16ToUtf8(r.nameView()) << '\t' << int(r.eventCount) << " events\t"
              << repeatText(r) << '\n';
    }
    return kExitOk;
}

int macroShow(const Context& c) {
    MacroTables tables;
    if (!loadMacros(c, tables, false)) {
        return kExitFailure;
    }
    if (static_cast<std::size_t>(c.options.number) >= tables.macroTable.usedCount()) {
        return c.fail("macro " + std::to_string(c.options.number) + " does not exist (there are " +
                      std::to_string(tables.macroTable.usedCount()) + ")");
    }
    const MacroRecord& r = tables.macroTable.records[static_cast<std::size_t>(c.options.number)];
    c.out << utf16ToUtf8(r.nameView()) << " (" << repeatText(r) << ")\n";
    for (const auto& row : eventRows(r)) {
        c.out << row << '\n';
    }
    if (r.eventCount > 0) {
        c.out << "    " << r.delay(std::min<std::size_t>(r.eventCount, kMaxMacroEvents) - 1)
              << "ms after the last event\n";
    }
    return kExitOk;
}

int macroExport(const Context& c) {
    MacroTables tables;
    if (!loadMacros(c, tables, false)) {
        return kExitFailure;
    }
    std::string error;
    if (!SaveMacroFile(c.options.path, tables.macroTable, &error)) {
        return c.fail("cannot export to " + c.options.path.string() + ": " + error);
    }
    return kExitOk;
}

int macroImport(const Context& c) {
    MacroTable table(MacroTableKind::User);
    std::string unavailable;
    const auto result =
        LoadMacroFile(c.options.path, table, [&](const fs::path& file, const std::string& problem) {
            unavailable = problem.empty() ? "cannot import " + file.string() + ": no such file"
                                          : "cannot import: " + problem;
        });
    if (!result.fileFound) {
        return c.fail(unavailable);
    }
    if (result.loaded == 0) {
        // Importing nothing would erase the user's macros.
        return c.fail("cannot import " + c.options.path.string() + ": it holds no macros");
    }
    if (result.countInFile > result.loaded) {
        c.err << "torvexctl: " << c.options.path.string() << " holds " << result.countInFile
              << " macros; the first " << result.loaded << " were imported\n";
    }
    std::string error;
    if (!SaveMacroFile(c.paths.macroFilePath(c.language), table, &error)) {
        return c.fail(error);
    }
    return kExitOk;
}

// The model the button threads read in `run` and `macro play`, guarded for them.
struct SharedModel {
    std::mutex mutex;
    MouseSettings settings;
    int curConfig = 0;

    device::ButtonSettings view() {
        std::lock_guard lock(mutex);
        return {settings.buttonFunction, settings.macroMode, curConfig};
    }
};

device::ButtonEventHooks hooksFor(const Context& c, SharedModel& model) {
    device::ButtonEventHooks hooks;
    hooks.settings = [&model] { return model.view(); };
    hooks.dpiLevelChanged = [&c, &model](int level) {
        std::lock_guard lock(model.mutex);
        model.settings.dpiLevel = level;
        c.log("DPI level " + std::to_string(level));
    };
    hooks.launch = [&c](int code) {
        const auto started =
            device::launchFirstAvailable(code == kCalculatorCode ? device::calculatorCandidates()
                                                                 : device::terminalCandidates());
        c.log(started.empty() ? "no calculator or terminal program is installed"
                              : "started " + started);
    };
    hooks.repetitionPlayed = [&c](MacroTableKind kind, int slot, int repetition) {
        c.log(std::string(kind == MacroTableKind::User ? "macro " : "fixed macro ") +
              std::to_string(slot) + ": repetition " + std::to_string(repetition + 1) + " played");
    };
    return hooks;
}

int macroPlay(const Context& c) {
    MacroTables tables;
    if (!loadMacros(c, tables, false)) {
        return kExitFailure;
    }
    if (static_cast<std::size_t>(c.options.number) >= tables.macroTable.usedCount()) {
        return c.fail("macro " + std::to_string(c.options.number) + " does not exist");
    }
    auto lock = lockOrExplain(c);
    if (!lock) {
        return kExitBusy;
    }
    SharedModel model;
    Mouse mouse(c, tables, hooksFor(c, model));
    if (const int status = mouse.connect(); status != kExitOk) {
        return status;
    }
    mouse.session().buttons().playMacro(MacroTableKind::User, c.options.number, 0);
    return kExitOk;
}

int run(const Context& c) {
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    auto lock = lockOrExplain(c);
    if (!lock) {
        return kExitBusy;
    }
    // SIGINT and SIGTERM arrive through a descriptor, beside the hotplug monitor's. Blocked
    // before any thread starts, so that every thread inherits the mask and none dies of them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    struct CloseFd {
        int fd;
        ~CloseFd() {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    } closeSignalFd{signalFd};

    MacroTables tables;
    loadMacros(c, tables, true); // a missing file plays nothing rather than refusing to run
    SharedModel model;
    LoadConfiguration(c.paths.configPath(), *profile, false, c.language, model.settings);
    model.curConfig = *profile;
    Mouse mouse(c, tables, hooksFor(c, model));
    if (const int status = mouse.connect(); status != kExitOk) {
        return status;
    }
    device::MouseSession& session = mouse.session();
    bool removed = false;
    session.link().setRemovalHandler([&] { removed = true; });
    auto monitor = mouse.backend().createMonitor();

    // Start-up as the window does it: send the profile, then act on the buttons.
    const auto result = session.download(model.settings, *profile);
    if (!result.saved) {
        c.err << "torvexctl: could not save the settings: " << result.error << '\n';
    }
    session.start();
    c.log("running; profile " + std::to_string(*profile));

    while (!removed) {
        std::array<pollfd, 2> fds{pollfd{signalFd, POLLIN, 0},
                                  pollfd{monitor ? monitor->fd() : -1, POLLIN, 0}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            (void)::read(signalFd, &info, sizeof info);
            c.log("signal " + std::to_string(info.ssi_signo) + ": ending");
            break;
        }
        if (monitor && (fds[1].revents & POLLIN)) {
            session.link().pumpHotplug(*monitor);
        }
    }
    if (removed) {
        c.err << "torvexctl: the mouse was removed\n";
    }
    session.exitPath();
    return kExitOk;
}

int reset(const Context& c) {
    // Checked before anything is restored: profile 0 or 9 would be sent and saved as all zeros.
    const auto profile = chosenProfile(c);
    if (!profile) {
        return kExitFailure;
    }
    auto lock = lockOrExplain(c);
    if (!lock) {
        return kExitBusy;
    }
    // Served first: a folder that cannot be served fails the command before anything changes.
    MacroTables none;
    Mouse mouse(c, none);
    if (!mouse.serve()) {
        return kExitFailure;
    }
    MouseSettings settings;
    LoadConfiguration(c.paths.configPath(), *profile, false, c.language, settings);
    std::string error;
    if (!RestoreFactorySettings(c.paths.configPath(), *profile, c.language, settings, &error)) {
        return c.fail("cannot restore the factory profiles: " + error);
    }
    int status = kExitOk;
    MacroTable table(MacroTableKind::User);
    const auto restored = RestoreFactoryMacros(
        c.paths.defMacroPath(c.language), c.paths.macroFilePath(c.language), table,
        [&](const fs::path& p, const std::string& problem) {
            c.err << "torvexctl: "
                  << (problem.empty() ? "factory macros not found at " + p.string() : problem)
                  << "; your macros were kept\n";
        },
        &error);
    if (restored == FactoryMacroRestore::FactoryFileMissing) {
        status = kExitFailure;
    } else if (restored == FactoryMacroRestore::SaveFailed) {
        c.err << "torvexctl: cannot save the factory macros: " << error << '\n';
        status = kExitFailure;
    }
    const bool found = mouse.find();
    const auto result = mouse.session().download(settings, *profile);
    if (!result.saved) {
        return c.fail("cannot save the settings: " + result.error);
    }
    return found ? status : kExitNoMouse;
}

int vmouse(const Context& c) {
    static const std::map<Command, std::string> verbs{
        {Command::VmousePress, "press"}, {Command::VmouseRelease, "release"},
        {Command::VmouseClick, "click"}, {Command::VmouseUnplug, "unplug"},
        {Command::VmousePlug, "plug"},   {Command::VmouseState, "state"}};
    std::string line = verbs.at(c.options.command);
    const bool button = c.options.command == Command::VmousePress ||
                        c.options.command == Command::VmouseRelease ||
                        c.options.command == Command::VmouseClick;
    if (button) {
        // The command line speaks of button slots; the mouse of its physical button numbers.
        line += " " + std::to_string(physicalButton[static_cast<std::size_t>(c.options.number)]);
        if (c.options.dpi) {
            line += " dpi " + std::to_string(*c.options.dpi);
        }
    }
    std::string error;
    const auto reply = sim::sendControlCommand(c.options.path, line, &error);
    if (!reply) {
        return c.fail(error);
    }
    if (!reply->ok) {
        return c.fail("the virtual mouse refused '" + line + "': " + reply->text);
    }
    if (!reply->text.empty()) {
        c.out << reply->text << '\n';
    }
    return kExitOk;
}

} // namespace

int runCommand(const Options& options, std::ostream& out, std::ostream& err) {
    switch (options.command) {
    case Command::Help:
        out << helpText(options.helpTopic);
        return kExitOk;
    case Command::Version:
        out << "torvexctl " << TORVEX_VERSION << '\n';
        return kExitOk;
    case Command::VmousePress:
    case Command::VmouseRelease:
    case Command::VmouseClick:
    case Command::VmouseUnplug:
    case Command::VmousePlug:
    case Command::VmouseState: {
        Context c{options, out, err, {}, 0, 0};
        return vmouse(c);
    }
    default:
        break;
    }

    Context c{options, out, err, resolvePaths(currentPathOptions(options.home)), 0, 0};
    std::string error;
    if (!seedUserFolder(c.paths, &error)) {
        return c.fail(error);
    }
    // A config.ini that cannot be read would look like an empty one; say so instead, and leave
    // it as it is for the user to look at.
    if (const auto problem = unusableFileReason(c.paths.configPath())) {
        return c.fail(*problem);
    }
    c.language = ReadLanguage(c.paths.configPath()) != 0 ? 1 : 0;
    c.curConfig = ReadCurConfig(c.paths.configPath());
    c.log("settings in " + c.paths.appDir.string() + ", skin in " + c.paths.skinDir.string());

    switch (options.command) {
    case Command::Devices:
        return devices(c);
    case Command::Show:
        return show(c);
    case Command::Set:
        return set(c);
    case Command::Apply:
        return apply(c);
    case Command::Export:
        return exportProfile(c);
    case Command::Import:
        return importProfile(c);
    case Command::Reset:
        return reset(c);
    case Command::MacroList:
        return macroList(c);
    case Command::MacroShow:
        return macroShow(c);
    case Command::MacroExport:
        return macroExport(c);
    case Command::MacroImport:
        return macroImport(c);
    case Command::MacroPlay:
        return macroPlay(c);
    case Command::Run:
        return run(c);
    default:
        return c.fail("unhandled command", kExitUsage);
    }
}

} // namespace torvex::cli
