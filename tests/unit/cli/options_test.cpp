#include "cli/options.h"

#include <gtest/gtest.h>
#include <sstream>

namespace torvex::cli {
namespace {

std::vector<std::string> split(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    return words;
}

ParseResult parse(const std::string& line) {
    return parseCommandLine(split(line));
}

TEST(CliOptions, AcceptsEveryCommandForm) {
    const struct {
        const char* line;
        Command command;
    } cases[] = {
        {"devices", Command::Devices},
        {"--home /h --virtual-mouse=/v --trace --verbose show --profile 3", Command::Show},
        {"set K0=1 --profile 2 fire_time=300", Command::Set},
        {"apply", Command::Apply},
        {"export out.ini --profile 5", Command::Export},
        {"import in.ini", Command::Import},
        {"reset", Command::Reset},
        {"reset --profile 4", Command::Reset},
        {"macro list", Command::MacroList},
        {"macro show 11", Command::MacroShow},
        {"macro export m.dat", Command::MacroExport},
        {"macro import m.dat", Command::MacroImport},
        {"macro play 0", Command::MacroPlay},
        {"run", Command::Run},
        {"vmouse /d press 6 --dpi 3", Command::VmousePress},
        {"vmouse /d release 0", Command::VmouseRelease},
        {"vmouse /d click 2", Command::VmouseClick},
        {"vmouse /d unplug", Command::VmouseUnplug},
        {"vmouse /d plug", Command::VmousePlug},
        {"vmouse /d state", Command::VmouseState},
        {"--version", Command::Version},
        {"--help", Command::Help},
        {"apply --help", Command::Help},
        {"help macro", Command::Help},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.line);
        ASSERT_TRUE(r.options.has_value()) << c.line << ": " << r.error;
        EXPECT_EQ(r.options->command, c.command) << c.line;
    }

    const Options o =
        *parse("--home /h --virtual-mouse=/v set --profile 2 k3=29 FIRE_TIME=8").options;
    EXPECT_EQ(o.home, std::filesystem::path("/h"));
    EXPECT_TRUE(o.virtualMouse);
    EXPECT_EQ(o.virtualMouseDir, std::filesystem::path("/v"));
    EXPECT_EQ(o.profile, 2);
    EXPECT_EQ(o.assignments,
              (std::vector<std::pair<std::string, int>>{{"K3", 29}, {"FIRE_TIME", 8}}));
    const Options v = *parse("vmouse /d press 6 --dpi 3").options;
    EXPECT_EQ(v.path, std::filesystem::path("/d"));
    EXPECT_EQ(v.number, 6);
    EXPECT_EQ(v.dpi, 3);
    EXPECT_EQ(parse("apply --help").options->helpTopic, "apply");
}

TEST(CliOptions, ErrorsNameTheBadArgument) {
    const struct {
        const char* line;
        const char* mentions;
    } cases[] = {
        {"", "no command"},
        {"frobnicate", "frobnicate"},
        {"--bogus show", "--bogus"},
        {"--home", "--home"},
        {"show --profile 6", "--profile 6"},
        {"show --profile x", "--profile x"},
        {"show extra", "extra"},
        {"set", "KEY=VALUE"},
        {"set K7=1", "K7"},
        {"set K0=7", "K0=7"},
        {"set K0=53", "K0=53"},
        {"set DPI_SET0=5", "DPI_SET0"},
        {"set FIRE_TIME=301", "FIRE_TIME"},
        {"set FIRE_TIME=12abc", "FIRE_TIME=12abc"},
        {"set =3", "=3"},
        {"export", "FILE"},
        {"macro", "subcommand"},
        {"macro show 12", "N '12'"},
        {"macro play -1", "N '-1'"},
        {"macro erase", "erase"},
        {"vmouse /d press 7", "BUTTON '7'"},
        {"vmouse /d press 1 --dpi 4", "--dpi level '4'"},
        {"vmouse /d release 1 --dpi 1", "--dpi"},
        {"vmouse /d dance", "dance"},
        {"vmouse", "DIR"},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.line);
        EXPECT_FALSE(r.options.has_value()) << c.line;
        EXPECT_NE(r.error.find(c.mentions), std::string::npos) << c.line << " -> " << r.error;
    }
}

} // namespace
} // namespace torvex::cli
