// The real torvex binary under Xvfb on the virtual mouse: a macro is recorded with keys typed
// on the X server while the window holds the keyboard, saved, and played by a button press as
// key reports with the recorded pause.
#include "common/ini_store.h"
#include "common/leading_int.h"
#include "process.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

namespace torvex::testing {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kBinary = fs::path(TORVEX_BINARY_DIR) / "bin" / "torvex";
const fs::path kCtl = fs::path(TORVEX_BINARY_DIR) / "bin" / "torvexctl";
const fs::path kData = fs::path(TORVEX_SOURCE_DIR) / "data";
const std::string kTitleCn = "TORVEX V3宏编程游戏鼠标驱动";

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

std::string capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            out.append(buffer.data(), n);
        }
        ::pclose(pipe);
    }
    return out;
}

struct Point {
    int x = 0;
    int y = 0;
};

std::string firstVisibleWindow(const std::string& title) {
    const std::string out =
        capture("xdotool search --onlyvisible --name " + quoted("^" + title + "$"));
    return out.substr(0, out.find('\n'));
}

Point windowPosition(const std::string& id) {
    const std::string out = capture("xdotool getwindowgeometry --shell " + id);
    std::smatch m;
    Point p;
    if (std::regex_search(out, m, std::regex("X=(-?\\d+)"))) {
        p.x = std::stoi(m[1]);
    }
    if (std::regex_search(out, m, std::regex("Y=(-?\\d+)"))) {
        p.y = std::stoi(m[1]);
    }
    return p;
}

// x, y, width, height of an entry of a layout file of the real skin.
std::array<int, 4> entry(const std::string& file, const std::string& section, int key) {
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

void clickScreen(Point p) {
    const auto at = [](Point q) { return std::to_string(q.x) + " " + std::to_string(q.y); };
    capture("xdotool mousemove " + at({p.x - 1, p.y - 1}));
    std::this_thread::sleep_for(100ms);
    capture("xdotool mousemove " + at(p) + " click 1");
    std::this_thread::sleep_for(300ms);
}

// The key reports (0x15) of a stretch of reports.log: time in ms and the first key byte.
struct KeyReport {
    double ms = 0;
    int key = 0;
};
std::vector<KeyReport> keyReports(const std::string& log) {
    std::vector<KeyReport> out;
    std::istringstream in(log);
    std::string line;
    const std::regex form(R"(^(\d+\.\d+) 07 15 ([0-9A-F]{2}))");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, form)) {
            out.push_back({std::stod(m[1]), std::stoi(m[2], nullptr, 16)});
        }
    }
    return out;
}

class MacroRecordE2E : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool"}) {
            if (!installed(tool)) {
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        scratch = fs::path(TORVEX_BINARY_DIR) / "tests" / "record-e2e" / std::to_string(::getpid());
        fs::remove_all(scratch);
        fs::create_directories(scratch / "home");
        fs::create_directories(scratch / "vm");
        for (const char* f : {"config.ini", "Macro_CN.dat", "Macro_EN.dat", "constMacro.dat"}) {
            fs::copy_file(kData / f, scratch / "home" / f);
        }
        // Button 1 plays the first user macro.
        ASSERT_EQ(std::system((kCtl.string() + " --home " + quoted((scratch / "home").string()) +
                               " set K1=41 >/dev/null")
                                  .c_str()),
                  0);
        const fs::path displayFile = scratch / "display";
        xvfb = std::make_unique<Process>(
            "/bin/sh",
            std::vector<std::string>{"-c",
                                     "exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten "
                                     "tcp 3>" +
                                         quoted(displayFile.string())},
            scratch);
        std::string number;
        ASSERT_TRUE(eventually(
            [&] {
                number = slurp(displayFile);
                return !number.empty() && number.back() == '\n';
            },
            30s));
        ::setenv("DISPLAY", (":" + number.substr(0, number.size() - 1)).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        torvex = std::make_unique<Process>(
            kBinary,
            std::vector<std::string>{"--virtual-mouse=" + (scratch / "vm").string(), "--home",
                                     (scratch / "home").string()},
            scratch);
        ASSERT_TRUE(eventually([&] { return !firstVisibleWindow(kTitleCn).empty(); }, 60s));
        main = windowPosition(firstVisibleWindow(kTitleCn));
    }
    void TearDown() override {
        for (auto* p : {torvex.get(), xvfb.get()}) {
            if (p) {
                p->signal(SIGTERM);
                p->wait(20s);
            }
        }
    }
    Point centre(const std::array<int, 4>& e) const {
        return {main.x + e[0] + e[2] / 2, main.y + e[1] + e[3] / 2};
    }
    Point advanced(int key) const {
        return centre(entry("INI_CN/skin_advance.ini", "BUTTONPOS", key));
    }
    std::string reports() const { return slurp(scratch / "vm" / "reports.log"); }

    fs::path scratch;
    std::unique_ptr<Process> xvfb;
    std::unique_ptr<Process> torvex;
    Point main;
};

TEST_F(MacroRecordE2E, TypedKeysAreRecordedSavedAndPlayedByTheButton) {
    clickScreen(centre(entry("INI_CN/skin_main.ini", "BUTTONPOS", 10))); // the macro page
    const auto list = entry("INI_CN/skin_advance.ini", "MACRODISPLAY", 1);
    clickScreen({main.x + list[0] + 20, main.y + list[1] + 6}); // the first macro
    const std::string before = slurp(scratch / "home" / "Macro_CN.dat");

    clickScreen(advanced(4)); // record
    capture("xdotool keydown a");
    std::this_thread::sleep_for(100ms);
    capture("xdotool keyup a");
    std::this_thread::sleep_for(400ms);
    capture("xdotool key b");
    std::this_thread::sleep_for(200ms);
    clickScreen(advanced(4)); // stop
    EXPECT_EQ(slurp(scratch / "home" / "Macro_CN.dat"), before) << "nothing saved yet";
    EXPECT_EQ(torvex->errSoFar().find("could not be captured"), std::string::npos)
        << torvex->errSoFar();
    clickScreen(advanced(5)); // save
    ASSERT_TRUE(
        eventually([&] { return slurp(scratch / "home" / "Macro_CN.dat") != before; }, 20s));

    // The event list's context menu opens on a right-button release and Esc closes it again
    // without closing the window.
    const auto events = entry("INI_CN/skin_advance.ini", "MACRODISPLAY", 2);
    const auto ours = [] { return capture("xdotool search --onlyvisible --classname torvex"); };
    const std::string shown = ours();
    capture("xdotool mousemove " + std::to_string(main.x + events[0] + 20) + " " +
            std::to_string(main.y + events[1] + 6) + " click 3");
    EXPECT_TRUE(eventually([&] { return ours().size() > shown.size(); }, 20s)) << "no menu";
    capture("xdotool key Escape");
    EXPECT_TRUE(eventually([&] { return ours() == shown; }, 20s));
    EXPECT_FALSE(firstVisibleWindow(kTitleCn).empty());

    const std::size_t from = reports().size();
    ASSERT_EQ(std::system((kCtl.string() + " vmouse " + quoted((scratch / "vm").string()) +
                           " click 1 >/dev/null")
                              .c_str()),
              0);
    std::vector<KeyReport> keys;
    ASSERT_TRUE(eventually(
        [&] {
            keys = keyReports(reports().substr(from));
            return keys.size() >= 4;
        },
        20s))
        << reports().substr(from);
    // A down, A up, B down, B up: usage 04, nothing, 05, nothing.
    ASSERT_EQ(keys.size(), 4u) << reports().substr(from);
    EXPECT_EQ(keys[0].key, 0x04);
    EXPECT_EQ(keys[1].key, 0x00);
    EXPECT_EQ(keys[2].key, 0x05);
    EXPECT_EQ(keys[3].key, 0x00);
    // The pause between A up and B down was about 400 ms when typed.
    EXPECT_GT(keys[2].ms - keys[1].ms, 250.0);
    EXPECT_LT(keys[2].ms - keys[1].ms, 1500.0);

    // A command chosen in the real menu with the keyboard: insert a left-button down before the
    // first event, then save.
    const std::string saved = slurp(scratch / "home" / "Macro_CN.dat");
    capture("xdotool mousemove " + std::to_string(main.x + events[0] + 20) + " " +
            std::to_string(main.y + events[1] + 6) + " click 3");
    ASSERT_TRUE(eventually([&] { return ours().size() > shown.size(); }, 20s));
    for (const char* key : {"Down", "Right", "Right", "Return"}) {
        capture(std::string("xdotool key ") + key);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(eventually([&] { return ours() == shown; }, 20s));
    clickScreen(advanced(5));
    ASSERT_TRUE(eventually([&] { return slurp(scratch / "home" / "Macro_CN.dat") != saved; }, 20s));
    const std::string shownMacro =
        capture(kCtl.string() + " --home " + quoted((scratch / "home").string()) + " macro show 0");
    // The name line, then the inserted event with the default pause before the recorded keys.
    EXPECT_NE(shownMacro.find("\n[↓]L-KEY\n    30ms\n[↓]A\n"), std::string::npos) << shownMacro;
}

} // namespace
} // namespace torvex::testing
