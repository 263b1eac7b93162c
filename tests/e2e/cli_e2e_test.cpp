// torvexctl as a user runs it: the real binary, a temporary settings folder, the virtual mouse.
#include "common/ini_store.h"
#include "macro/macro_file.h"
#include "support/process.h"
#include "support/programs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <regex>

namespace torvex {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::eventually;
using testing::Finished;
using testing::kTorvexCtl;
using testing::Process;
using testing::slurp;

// One line of the virtual mouse's reports.log: milliseconds and the bytes in hex.
struct LoggedReport {
    double ms = 0;
    std::string hex;
};

std::vector<LoggedReport> readLog(const fs::path& file) {
    std::vector<LoggedReport> reports;
    std::istringstream in(slurp(file));
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        if (space != std::string::npos) {
            reports.push_back({std::stod(line.substr(0, space)), line.substr(space + 1)});
        }
    }
    return reports;
}

std::vector<LoggedReport> withCommand(const std::vector<LoggedReport>& all, const char* command) {
    std::vector<LoggedReport> out;
    for (const auto& r : all) {
        if (r.hex.substr(3, 2) == command) {
            out.push_back(r);
        }
    }
    return out;
}

MacroRecord macro(const char16_t* name, std::initializer_list<std::array<int, 3>> events,
                  uint8_t repeatMode = 0, uint16_t repeatCount = 1) {
    MacroRecord r{};
    r.setName(name);
    r.repeatMode = repeatMode;
    r.setRepeatCount(repeatCount);
    for (const auto& [code, action, delay] : events) {
        r.events[r.eventCount] = {static_cast<uint8_t>(code), static_cast<uint8_t>(action)};
        r.setDelay(r.eventCount, static_cast<uint16_t>(delay));
        ++r.eventCount;
    }
    return r;
}

class Cli : public ::testing::Test {
protected:
    // Each test has its own runtime folder, so its instance lock is its own.
    void SetUp() override { ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1); }

    Finished ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--home", home_.string()});
        return Process(kTorvexCtl, args, root_).wait();
    }
    fs::path config() const { return home_ / "config.ini"; }
    std::string key(const std::string& section, const std::string& k) const {
        return ini::readString(config(), section, k, 16);
    }

    testing::TempDir tmp_{"torvex-cli"};
    const fs::path root_ = tmp_.path();
    const fs::path home_ = root_ / "home";
    const fs::path vm_ = root_ / "vm";
};

TEST_F(Cli, ApplyTracesTheFourteenReportsAndSaves) {
    const Finished f = ctl({"--virtual-mouse", "--trace", "apply", "--profile", "2"});
    ASSERT_EQ(f.status, 0) << f.err;
    // Profile 2 of the factory file: buttons 6 and 7 hold fixed macros (device function 0), DPI
    // level 1 of three enabled levels, lighting mode 1.
    const std::vector<std::string> expected{
        "07 10 01 01 00 00 00 00 00", "07 10 02 02 00 00 00 00 00", "07 10 03 03 00 00 00 00 00",
        "07 10 05 05 00 00 00 00 00", "07 10 04 04 00 00 00 00 00", "07 10 06 00 00 00 00 00 00",
        "07 10 08 00 00 00 00 00 00", "07 11 00 00 00 00 00 00 00", "07 09 41 48 07 00 00 00 00",
        "07 09 41 69 07 00 00 00 00", "07 09 41 7A 07 00 00 00 00", "07 09 41 BB 07 00 00 00 00",
        "07 13 3F 13 07 00 00 00 00", "07 12 00 06 00 00 00 00 00"};
    std::istringstream lines(f.err);
    const std::regex traceLine(R"(report \+\d+\.\d{3} ((?:[0-9A-F]{2} ){8}[0-9A-F]{2}))");
    std::size_t i = 0;
    for (std::string line; std::getline(lines, line); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, traceLine)) << line;
        ASSERT_LT(i, expected.size());
        EXPECT_EQ(m[1], expected[i]);
    }
    EXPECT_EQ(i, expected.size());
    // Profile 2 became current, and the applied copy holds its keys.
    EXPECT_EQ(key("Init", "CurConfig"), "2");
    std::istringstream profile2(ctl({"show", "--profile", "2"}).out);
    int keys = 0;
    for (std::string line; std::getline(profile2, line); ++keys) {
        const auto eq = line.find('=');
        EXPECT_EQ(key("Config6", line.substr(0, eq)), line.substr(eq + 1)) << line;
    }
    EXPECT_EQ(keys, 23);
    EXPECT_NE(key("Config6", "K5"), key("Config1", "K5"));
}

TEST_F(Cli, SetValidatesAndChangesOnlyTheKeysGiven) {
    ASSERT_EQ(ctl({"show"}).status, 0); // seeds the folder
    const std::string before = slurp(config());

    const struct {
        std::vector<std::string> args;
        int status;
        const char* mentions;
    } refused[] = {
        {{"set", "K9=1"}, 2, "K9"},
        {{"set", "LED_STATUS=4"}, 2, "LED_STATUS"},
        {{"set", "--profile", "2", "K0=2"}, 1, "left click"},
        {{"set", "DPI_SET_EN0=0", "DPI_SET_EN1=0", "DPI_SET_EN2=0", "DPI_SET_EN3=0"}, 1, "DPI"},
        {{"set", "DPI_SET_EN0=0"}, 1, "DPI_LEVEL 0"},
    };
    for (const auto& r : refused) {
        const Finished f = ctl(r.args);
        EXPECT_EQ(f.status, r.status) << r.args.back();
        EXPECT_NE(f.err.find(r.mentions), std::string::npos) << f.err;
        EXPECT_EQ(slurp(config()), before) << r.args.back();
    }

    const std::string oldK3 = key("Config3", "K3");
    const std::string oldFire = key("Config3", "FIRE_TIME");
    const Finished ok = ctl({"set", "--profile", "3", "k3=29", "FIRE_TIME=100"});
    ASSERT_EQ(ok.status, 0) << ok.err;
    std::string expected = before;
    const auto section = expected.find("[Config3]");
    const auto replace = [&](const std::string& from, const std::string& to) {
        const auto at = expected.find(from, section);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("K3=" + oldK3, "K3=29");
    replace("FIRE_TIME=" + oldFire, "FIRE_TIME=100");
    EXPECT_EQ(slurp(config()), expected);

    const Finished shown = ctl({"show", "--profile", "3"});
    EXPECT_NE(shown.out.find("K3=29\n"), std::string::npos);
    EXPECT_NE(shown.out.find("FIRE_TIME=100\n"), std::string::npos);
}

TEST_F(Cli, ExportAndImportAProfile) {
    const fs::path exchange = root_ / "shooter.ini";
    ASSERT_EQ(ctl({"export", exchange.string(), "--profile", "3"}).status, 0);
    EXPECT_EQ(slurp(exchange).rfind("[Config7]\nK0=", 0), 0u);
    ASSERT_EQ(ctl({"import", exchange.string(), "--profile", "2"}).status, 0);
    EXPECT_EQ(ctl({"show", "--profile", "2"}).out, ctl({"show", "--profile", "3"}).out);

    const std::string before = slurp(config());
    std::ofstream(root_ / "other.ini") << "[Config1]\nK0=1\n";
    const Finished noSection = ctl({"import", (root_ / "other.ini").string()});
    EXPECT_EQ(noSection.status, 1);
    EXPECT_NE(noSection.err.find("Config7"), std::string::npos);
    const Finished missing = ctl({"import", (root_ / "nope.ini").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nope.ini"), std::string::npos);
    EXPECT_EQ(slurp(config()), before);
}

TEST_F(Cli, MacroListShowExportImport) {
    fs::create_directories(home_);
    MacroTable table;
    table.records[0] = macro(u"Hello", {{11, 1, 30}, {11, 2, 250}}, 1, 3);
    table.records[1] = macro(u"宏", {{240, 1, 20}, {240, 2, 20}});
    table.count = 2;
    ASSERT_TRUE(SaveMacroFile(home_ / "Macro_CN.dat", table));

    const Finished list = ctl({"macro", "list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "0\tHello\t2 events\t3 times\n1\t宏\t2 events\tonce\n");
    const Finished show = ctl({"macro", "show", "0"});
    EXPECT_EQ(show.out, "Hello (3 times)\n[↓]H\n    30ms\n[↑]H\n    250ms after the last event\n");
    EXPECT_EQ(ctl({"macro", "show", "2"}).status, 1);

    const fs::path exported = root_ / "mine.dat";
    ASSERT_EQ(ctl({"macro", "export", exported.string()}).status, 0);
    fs::remove(home_ / "Macro_CN.dat");
    ASSERT_EQ(ctl({"macro", "import", exported.string()}).status, 0);
    EXPECT_EQ(ctl({"macro", "list"}).out, list.out);

    const std::string before = slurp(home_ / "Macro_CN.dat");
    std::ofstream(root_ / "empty.dat") << "[Macros]\nmacroNum=0\n";
    EXPECT_EQ(ctl({"macro", "import", (root_ / "empty.dat").string()}).status, 1);
    EXPECT_EQ(ctl({"macro", "import", (root_ / "absent.dat").string()}).status, 1);
    EXPECT_EQ(slurp(home_ / "Macro_CN.dat"), before);
}

TEST_F(Cli, RunPerformsTheButtonsHostSideFunctions) {
    fs::create_directories(home_);
    MacroTable table;
    table.records[0] = macro(u"Tap A", {{4, 1, 50}, {4, 2, 120}});
    table.records[1] = macro(u"Ten", {{5, 1, 10}, {5, 2, 10}}, 1, 10);
    table.count = 2;
    ASSERT_TRUE(SaveMacroFile(home_ / "Macro_CN.dat", table));
    ASSERT_EQ(ctl({"set", "K2=41", "K3=29", "K4=42"}).status, 0);

    Process run(kTorvexCtl, {"--home", home_.string(), "--virtual-mouse=" + vm_.string(), "run"},
                root_);
    const fs::path log = vm_ / "reports.log";
    ASSERT_TRUE(eventually([&] { return readLog(log).size() >= 14; })) << run.errSoFar();
    const auto vmouse = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"vmouse", vm_.string()});
        return Process(kTorvexCtl, args, root_).wait().status;
    };

    // Button 2 plays "Tap A": key down, 50 ms, key up, 120 ms, release-all.
    ASSERT_EQ(vmouse({"click", "2"}), 0);
    ASSERT_TRUE(eventually([&] { return withCommand(readLog(log), "15").size() >= 3; }));
    auto keys = withCommand(readLog(log), "15");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].hex, "07 15 04 00 00 00 00 00 00");
    EXPECT_EQ(keys[1].hex, "07 15 00 00 00 00 00 00 00");
    // On a schedule that starts when the press is taken: the first report may itself be a few
    // milliseconds late on a loaded machine, the later ones are never early.
    EXPECT_GE(keys[1].ms - keys[0].ms, 44.0);
    EXPECT_LT(keys[1].ms - keys[0].ms, 150.0);
    EXPECT_GE(keys[2].ms - keys[0].ms, 184.0); // 50 + 120 ms, then 10 before the buttons, 10 more

    // Button 3 sends one media key on the press and nothing on the release.
    ASSERT_EQ(vmouse({"click", "3"}), 0);
    ASSERT_TRUE(eventually([&] { return withCommand(readLog(log), "17").size() == 1; }));
    EXPECT_EQ(withCommand(readLog(log), "17")[0].hex, "07 17 00 CD 00 00 00 00 00");

    // Button 5 is a DPI button: the level it reports lands in the profile.
    ASSERT_EQ(vmouse({"click", "5", "--dpi", "2"}), 0);
    ASSERT_TRUE(eventually([&] { return key("Config1", "DPI_LEVEL") == "2"; }));

    // Button 4 plays "Ten" ten times unless a second press stops it after the repetition in
    // progress.
    const auto buttonsBefore = withCommand(readLog(log), "16").size();
    ASSERT_EQ(vmouse({"press", "4"}), 0);
    ASSERT_TRUE(eventually([&] { return withCommand(readLog(log), "16").size() > buttonsBefore; }));
    ASSERT_EQ(vmouse({"click", "0"}), 0);
    std::this_thread::sleep_for(500ms); // ten repetitions would take about 400 ms
    const auto repetitions = withCommand(readLog(log), "16").size() - buttonsBefore;
    EXPECT_GE(repetitions, 1u);
    EXPECT_LT(repetitions, 10u);

    run.signal(SIGTERM);
    const Finished end = run.wait();
    EXPECT_EQ(end.status, 0) << end.err;
    EXPECT_EQ(readLog(log).back().hex, "07 20 00 00 00 00 00 00 00");
}

TEST_F(Cli, RunHoldModeAndRemoval) {
    fs::create_directories(home_);
    MacroTable table;
    table.records[0] = macro(u"Hold", {{6, 1, 30}, {6, 2, 30}});
    table.count = 1;
    ASSERT_TRUE(SaveMacroFile(home_ / "Macro_CN.dat", table));
    ASSERT_EQ(ctl({"set", "K2=41", "MACRO_MODE2=1"}).status, 0);

    Process run(kTorvexCtl, {"--home", home_.string(), "--virtual-mouse=" + vm_.string(), "run"},
                root_);
    const fs::path log = vm_ / "reports.log";
    ASSERT_TRUE(eventually([&] { return readLog(log).size() >= 14; })) << run.errSoFar();
    const auto vmouse = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"vmouse", vm_.string()});
        return Process(kTorvexCtl, args, root_).wait().status;
    };

    // A repetition takes about 80 ms; holding for about 300 ms plays a few, then it stops.
    ASSERT_EQ(vmouse({"press", "2"}), 0);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(vmouse({"release", "2"}), 0);
    std::this_thread::sleep_for(300ms);
    const auto played = withCommand(readLog(log), "16").size();
    EXPECT_GE(played, 2u);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(withCommand(readLog(log), "16").size(), played); // stopped

    // Pulling the mouse out ends the program through its exit path.
    ASSERT_EQ(vmouse({"unplug"}), 0);
    const Finished end = run.wait();
    EXPECT_EQ(end.status, 0);
    EXPECT_NE(end.err.find("removed"), std::string::npos) << end.err;
}

TEST_F(Cli, RemovalInTheMiddleOfAMacroStopsItAndEndsTheProgram) {
    fs::create_directories(home_);
    MacroTable table;
    table.records[0] = macro(u"Long", {{4, 1, 40}, {4, 2, 40}}, 1, 1000);
    table.count = 1;
    ASSERT_TRUE(SaveMacroFile(home_ / "Macro_CN.dat", table));
    ASSERT_EQ(ctl({"set", "K2=41"}).status, 0);
    Process run(kTorvexCtl, {"--home", home_.string(), "--virtual-mouse=" + vm_.string(), "run"},
                root_);
    const fs::path log = vm_ / "reports.log";
    ASSERT_TRUE(eventually([&] { return readLog(log).size() >= 14; })) << run.errSoFar();
    const auto vmouse = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"vmouse", vm_.string()});
        return Process(kTorvexCtl, args, root_).wait().status;
    };
    ASSERT_EQ(vmouse({"click", "2"}), 0);
    ASSERT_TRUE(eventually([&] { return withCommand(readLog(log), "16").size() >= 2; }));
    ASSERT_EQ(vmouse({"unplug"}), 0);
    const Finished end = run.wait();
    EXPECT_EQ(end.status, 0);
    const std::size_t atRemoval = readLog(log).size();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(readLog(log).size(), atRemoval); // nothing reached the mouse after it went
    const std::string state =
        Process(kTorvexCtl, {"vmouse", vm_.string(), "state"}, root_).wait().out;
    EXPECT_TRUE(state.empty()); // the virtual mouse went with the program
}

TEST_F(Cli, UnreadableOrBrokenFilesGetAClearMessageAndAreKept) {
    fs::create_directories(home_ / "config.ini"); // a folder where the file should be
    const Finished set = ctl({"set", "--profile", "1", "K1=3"});
    EXPECT_EQ(set.status, 1);
    EXPECT_NE(set.err.find("config.ini"), std::string::npos) << set.err;
    EXPECT_TRUE(fs::is_directory(home_ / "config.ini"));
    fs::remove(home_ / "config.ini");

    // Garbage reads as an all-zero profile, which `set` refuses to build on.
    const std::string garbage = "\x01\x02[Con\xFF"
                                "fig1\nK0==\n\n\xFE";
    std::ofstream(home_ / "config.ini", std::ios::binary) << garbage;
    EXPECT_EQ(ctl({"show", "--profile", "1"}).out.substr(0, 5), "K0=0\n");
    EXPECT_EQ(ctl({"set", "--profile", "1", "K1=3"}).status, 1);
    EXPECT_EQ(slurp(home_ / "config.ini"), garbage);

    // A macro file that is a folder: a message naming it, nothing replaced.
    fs::remove(home_ / "Macro_CN.dat");
    fs::create_directories(home_ / "Macro_CN.dat");
    const Finished list = ctl({"macro", "list"});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.err.find("Macro_CN.dat is a folder"), std::string::npos) << list.err;
    EXPECT_EQ(list.err.find("not found"), std::string::npos) << list.err;
    const Finished import = ctl({"macro", "import", (home_ / "Macro_CN.dat").string()});
    EXPECT_EQ(import.status, 1);
    EXPECT_NE(import.err.find("is a folder"), std::string::npos) << import.err;
}

TEST_F(Cli, CommandsThatSendServeTheVirtualMouseFolder) {
    // Each one-shot command leaves the reports it sent in DIR/reports.log, as `run` does.
    const struct {
        std::vector<std::string> args;
        std::size_t reports;
    } commands[] = {
        {{"apply"}, 14},
        {{"reset"}, 14},
        {{"macro", "play", "0"}, 6}, // the factory double click: four events, release-all pair
    };
    for (const auto& c : commands) {
        const fs::path dir = root_ / ("vm-" + c.args[0]);
        std::vector<std::string> args{"--virtual-mouse=" + dir.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Finished f = ctl(args);
        ASSERT_EQ(f.status, 0) << c.args[0] << ": " << f.err;
        const auto log = readLog(dir / "reports.log");
        EXPECT_EQ(log.size(), c.reports) << c.args[0];
    }
    // The download set the pointer speed kept in the folder.
    EXPECT_FALSE(
        ini::readString(root_ / "vm-apply" / "pointer.ini", "Pointer", "Speed", 8).empty());

    // A folder that cannot be served is an error naming it, not a missing mouse.
    std::ofstream(root_ / "not-a-folder") << "x";
    const Finished f = ctl({"--virtual-mouse=" + (root_ / "not-a-folder").string(), "apply"});
    EXPECT_EQ(f.status, 1);
    EXPECT_NE(f.err.find("not-a-folder"), std::string::npos) << f.err;
}

TEST_F(Cli, OneProgramDrivesTheMouseAndNoMouseIsExitThree) {
    Process run(kTorvexCtl, {"--home", home_.string(), "--virtual-mouse=" + vm_.string(), "run"},
                root_);
    ASSERT_TRUE(eventually([&] { return readLog(vm_ / "reports.log").size() >= 14; }));
    const Finished busy = ctl({"--virtual-mouse", "apply"});
    EXPECT_EQ(busy.status, 4);
    EXPECT_NE(busy.err.find("torvexctl"), std::string::npos) << busy.err; // names the holder
    run.signal(SIGINT);
    EXPECT_EQ(run.wait().status, 0);

    // This machine has no TORVEX V3 attached (the test is skipped where one is).
    bool attached = false;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/sys/class/hidraw", ec)) {
        attached = attached || slurp(e.path() / "device" / "uevent").find("000018F8:00001286") !=
                                   std::string::npos;
    }
    if (!attached) {
        const Finished none = ctl({"apply"});
        EXPECT_EQ(none.status, 3);
        EXPECT_NE(none.err.find("no TORVEX V3 mouse"), std::string::npos) << none.err;
    }
}

TEST_F(Cli, ResetRestoresFactoryProfilesAndMacros) {
    ASSERT_EQ(ctl({"set", "--profile", "2", "K4=29", "FIRE_TIME=9"}).status, 0);
    const std::string macrosBefore = slurp(home_ / "Macro_CN.dat");
    fs::remove(home_ / "Macro_CN.dat");
    std::ofstream(home_ / "Macro_CN.dat") << "[Macros]\nmacroNum=0\n";
    const std::string englishBefore = slurp(home_ / "Macro_EN.dat");

    // A current profile out of range is refused like every other command's, before anything
    // is restored, saved or sent.
    ASSERT_TRUE(ini::writeString(config(), "Init", "CurConfig", "9"));
    const std::string configBefore = slurp(config());
    const Finished refused = ctl({"--virtual-mouse", "reset"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--profile"), std::string::npos) << refused.err;
    EXPECT_EQ(slurp(config()), configBefore);
    EXPECT_EQ(slurp(home_ / "Macro_CN.dat"), "[Macros]\nmacroNum=0\n");

    const Finished f = ctl({"--virtual-mouse", "reset", "--profile", "2"});
    ASSERT_EQ(f.status, 0) << f.err;
    EXPECT_EQ(key("Config2", "K4"), key("CfgReset2", "K4"));
    EXPECT_EQ(key("Config2", "FIRE_TIME"), key("CfgReset2", "FIRE_TIME"));
    EXPECT_EQ(key("Init", "CurConfig"), "2");
    EXPECT_EQ(key("Config6", "K5"), key("CfgReset2", "K5")); // profile 2 was sent, not 1
    EXPECT_NE(key("Config6", "K5"), key("CfgReset1", "K5"));
    EXPECT_EQ(key("Config9", "K0"), "");
    EXPECT_EQ(slurp(home_ / "Macro_CN.dat"), macrosBefore); // the factory set again
    EXPECT_EQ(slurp(home_ / "Macro_EN.dat"), englishBefore);
}

} // namespace
} // namespace torvex
