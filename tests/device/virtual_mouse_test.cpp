// The virtual mouse as a device model: decoding of what it is told, the input reports it
// produces, and its control socket and report log.
#include "sim/virtual_mouse.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace torvex::sim {
namespace {

using Bytes = std::vector<uint8_t>;

// Opens the feature and input interfaces the way discovery would.
struct Handles {
    std::unique_ptr<device::HidDevice> feature;
    std::unique_ptr<device::HidDevice> input;

    explicit Handles(VirtualMouse& m) {
        const auto list = m.enumerate();
        EXPECT_EQ(list.size(), 3u);
        input = m.open(list.at(1), device::Access::Read);
        feature = m.open(list.at(2), device::Access::Write);
    }
    void send(const Bytes& b) { EXPECT_TRUE(feature->sendFeatureReport(b)); }
    Bytes read() {
        std::array<uint8_t, 9> buf{};
        const auto r = input->readInputReport(buf);
        EXPECT_EQ(r.status, device::ReadStatus::Report);
        return Bytes(buf.begin(), buf.begin() + static_cast<long>(r.size));
    }
};

TEST(VirtualMouse, EnumeratesThreeInterfacesOfTheMouse) {
    VirtualMouse m;
    const auto list = m.enumerate();
    ASSERT_EQ(list.size(), 3u);
    const std::array<device::HidCaps, 3> caps = {device::HidCaps{0x0001, 0x0002, 4, 0, 0},
                                                 device::HidCaps{0xFF00, 0x0001, 9, 0, 0},
                                                 device::HidCaps{0xFF01, 0x0001, 0, 0, 9}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i].vendorId, 0x18F8);
        EXPECT_EQ(list[i].productId, 0x1286);
        EXPECT_EQ(list[i].caps, caps[i]);
        EXPECT_EQ(list[i].path, kInterfacePaths[i]);
    }
}

TEST(VirtualMouse, DecodesADownloadAndTheEmulationReports) {
    VirtualMouse m;
    Handles h(m);
    // A download: buttons, wheel, DPI levels (level 2, levels 0 and 2 enabled), lighting, fire.
    h.send({0x07, 0x10, 0x01, 0x01, 0, 0, 0, 0, 0});
    h.send({0x07, 0x10, 0x06, 0x06, 0, 0, 0, 0, 0});
    h.send({0x07, 0x10, 0x08, 0x00, 0, 0, 0, 0, 0});
    h.send({0x07, 0x11, 0x01, 0x00, 0, 0, 0, 0, 0});
    h.send({0x07, 0x09, 0x42, 0x48, 0x05, 0, 0, 0, 0});
    h.send({0x07, 0x09, 0x42, 0x69, 0x05, 0, 0, 0, 0});
    h.send({0x07, 0x09, 0x42, 0x7A, 0x05, 0, 0, 0, 0});
    h.send({0x07, 0x09, 0x42, 0xDB, 0x05, 0, 0, 0, 0});
    h.send({0x07, 0x13, 0x3F, 0x16, 0, 0, 0, 0, 0});
    h.send({0x07, 0x12, 0x00, 0x25, 0, 0, 0, 0, 0});
    // Emulation: A and B down, A up, left down and up, one media key, then the exit report.
    h.send({0x07, 0x15, 0x04, 0x05, 0, 0, 0, 0, 0});
    h.send({0x07, 0x15, 0x05, 0x00, 0, 0, 0, 0, 0});
    h.send({0x07, 0x16, 0x05, 0xFE, 0, 0, 0, 0, 0});
    h.send({0x07, 0x16, 0x05, 0xFF, 0, 0, 0, 0, 0});
    h.send({0x07, 0x17, 0x00, 0xCD, 0, 0, 0, 0, 0});
    h.send({0x07, 0x20, 0x00, 0x00, 0, 0, 0, 0, 0});
    // Wrong length and unknown command count as malformed.
    h.send({0x07, 0x11, 0x00});
    h.send({0x07, 0x55, 0, 0, 0, 0, 0, 0, 0});

    const DeviceState s = m.state();
    EXPECT_EQ(s.buttonMap[1], 1);
    EXPECT_EQ(s.buttonMap[6], 6);
    EXPECT_EQ(s.buttonMap[8], 0);
    EXPECT_EQ(s.dpiLevel, 2);
    EXPECT_EQ(s.dpiMask, 0x05);
    EXPECT_EQ(s.dpiCode, (std::array<uint8_t, 4>{4, 6, 7, 13}));
    EXPECT_EQ(s.lightingCode, 6);
    EXPECT_EQ(s.fireUnits, 37);
    EXPECT_EQ(s.keysHeld, (std::array<uint8_t, 6>{0x05, 0, 0, 0, 0, 0}));
    EXPECT_EQ(s.buttonsHeld, 0);
    EXPECT_EQ(s.mediaKeys, (std::vector<uint16_t>{0x00CD}));
    EXPECT_EQ(s.typed, (std::vector<std::string>{"down key 04", "down key 05", "up key 04",
                                                 "down left", "up left", "media 00CD"}));
    EXPECT_EQ(s.exitReports, 1);
    EXPECT_EQ(s.malformedReports, 2);
    EXPECT_EQ(s.reportCount, 18u);
    EXPECT_EQ(s.wheelStatus, 0) << "the short 0x11 report is still decoded with zeros";
}

TEST(VirtualMouse, PressesReportTheLevelAndDpiButtonsMoveItOverEnabledLevels) {
    struct Step {
        int button; // physical button
        int level;  // level reported
    };
    struct Case {
        const char* name;
        uint8_t mask;
        uint8_t code; // device code given to physical button 6
        std::vector<int> levels;
    };
    const std::vector<Case> cases = {
        {"cycle wraps over all levels", 0x0F, 6, {1, 2, 3, 0, 1}},
        {"cycle skips disabled levels", 0x0A, 6, {1, 3, 1, 3}},
        {"up stops at the top", 0x0F, 11, {1, 2, 3, 3}},
        {"up skips disabled levels", 0x09, 11, {3, 3}},
        {"down stays at the bottom", 0x0F, 12, {0, 0}},
        {"no level enabled: no change", 0x00, 6, {0, 0}},
        {"an ordinary button leaves the level", 0x0F, 1, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualMouse m;
        Handles h(m);
        h.send({0x07, 0x09, 0x40, 0x48, c.mask, 0, 0, 0, 0});
        h.send({0x07, 0x10, 0x06, c.code, 0, 0, 0, 0, 0});
        for (int level : c.levels) {
            ASSERT_TRUE(m.press(6));
            EXPECT_EQ(h.read(), (Bytes{0x06, 0xF6, static_cast<uint8_t>(level), 0, 0, 0, 0, 0, 0}));
            ASSERT_TRUE(m.release(6));
            EXPECT_EQ(h.read()[2], 0x80);
        }
    }
    VirtualMouse m;
    Handles h(m);
    ASSERT_TRUE(m.press(8, 3));
    EXPECT_EQ(h.read()[2], 3) << "an explicit level is reported as given";
    EXPECT_EQ(m.state().dpiLevel, 3);
    std::string error;
    EXPECT_FALSE(m.press(0, std::nullopt, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(m.press(1, 4, &error));
}

TEST(VirtualMouse, UnplugKillsOpenHandlesAndHidesTheInterfaces) {
    VirtualMouse m;
    Handles h(m);
    m.unplug();
    EXPECT_TRUE(m.enumerate().empty());
    EXPECT_FALSE(h.feature->sendFeatureReport(Bytes(9, 0)));
    std::array<uint8_t, 9> buf{};
    EXPECT_EQ(h.input->readInputReport(buf).status, device::ReadStatus::Failed);
    EXPECT_EQ(h.feature->readInputReport(buf).status, device::ReadStatus::Failed);
    std::string error;
    EXPECT_FALSE(m.press(1, std::nullopt, &error));
    EXPECT_FALSE(m.state().plugged);
    m.plug();
    EXPECT_FALSE(h.feature->sendFeatureReport(Bytes(9, 0))) << "an old handle stays dead";
    Handles again(m);
    again.send(Bytes{0x07, 0x11, 0, 0, 0, 0, 0, 0, 0});
}

class ControlSocket : public ::testing::Test {
protected:
    testing::TempDir tmp_{"torvex-vmouse"};
    // Not there yet: serving creates it, private to us.
    const std::filesystem::path dir_ = tmp_.path() / "vm";
};

TEST_F(ControlSocket, CommandsRoundTripAndTheFolderIsPrivate) {
    VirtualMouse m;
    std::string error;
    ASSERT_TRUE(m.serve(dir_, &error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(dir_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((dir_ / "control").c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    Handles h(m);
    struct Case {
        std::string command;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"press 8", true},          {"release 8", true}, {"click 6 dpi 2", true},
        {"press 16", false},        {"press x", false},  {"click 1 dpi 9", false},
        {"release 1 dpi 2", false}, {"jump", false},     {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const auto reply = sendControlCommand(dir_, c.command, &error);
        ASSERT_TRUE(reply) << error;
        EXPECT_EQ(reply->ok, c.ok) << reply->text;
        EXPECT_EQ(reply->text.empty(), c.ok) << "errors say why";
    }
    EXPECT_EQ(h.read(), (Bytes{0x06, 0xF8, 0x01, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(h.read()[2], 0x80);
    EXPECT_EQ(h.read(), (Bytes{0x06, 0xF6, 0x02, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(h.read()[2], 0x80);

    h.send({0x07, 0x17, 0x00, 0xE9, 0, 0, 0, 0, 0});
    const auto state = sendControlCommand(dir_, "state", &error);
    ASSERT_TRUE(state && state->ok) << error;
    EXPECT_NE(state->text.find("\"level\":2"), std::string::npos) << state->text;
    EXPECT_NE(state->text.find("\"mediaKeys\":[233]"), std::string::npos) << state->text;
    EXPECT_NE(state->text.find("\"typed\":[\"media 00E9\"]"), std::string::npos);

    ASSERT_TRUE(sendControlCommand(dir_, "unplug", &error)->ok);
    EXPECT_FALSE(m.state().plugged);
    const auto refused = sendControlCommand(dir_, "press 1", &error);
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
    ASSERT_TRUE(sendControlCommand(dir_, "plug", &error)->ok);
    EXPECT_TRUE(m.state().plugged);
}

TEST_F(ControlSocket, ReportLogHasOneLinePerReportAndASecondServerIsRefused) {
    {
        VirtualMouse m;
        std::string error;
        ASSERT_TRUE(m.serve(dir_, &error)) << error;

        Handles h(m);
        h.send({0x07, 0x10, 0x01, 0x01, 0, 0, 0, 0, 0});
        h.send({0x07, 0x12, 0x00, 0x06, 0, 0, 0, 0, 0xAB});
        // The refused server leaves the serving one's log as it is.
        VirtualMouse other;
        EXPECT_FALSE(other.serve(dir_, &error));
        EXPECT_NE(error.find("another"), std::string::npos) << error;
        std::ifstream log(dir_ / "reports.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        ASSERT_EQ(lines.size(), 2u);
        const std::regex shape(R"(^\d+\.\d{3} 07 10 01 01 00 00 00 00 00$)");
        EXPECT_TRUE(std::regex_match(lines[0], shape)) << lines[0];
        EXPECT_TRUE(lines[1].ends_with(" 07 12 00 06 00 00 00 00 AB")) << lines[1];
    }
    // The socket goes with its server; a new server takes the folder over.
    EXPECT_FALSE(std::filesystem::exists(dir_ / "control"));
    std::string error;
    EXPECT_FALSE(sendControlCommand(dir_, "state", &error));
    EXPECT_NE(error.find("control"), std::string::npos) << error;
    VirtualMouse again;
    EXPECT_TRUE(again.serve(dir_, &error)) << error;
}

} // namespace
} // namespace torvex::sim
