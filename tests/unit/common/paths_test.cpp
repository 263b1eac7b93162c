#include "common/paths.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace torvex {
namespace {
namespace fs = std::filesystem;

class Paths : public ::testing::Test {
protected:
    void SetUp() override {
        // An installed prefix: <prefix>/bin and <prefix>/share/torvex with the factory files.
        fs::create_directories(root_ / "prefix" / "bin");
        fs::create_directories(factory() / "skins" / "INI_CN");
        for (const auto& name : seededFileNames()) {
            write(factory() / name, "factory " + name);
        }
    }

    fs::path factory() const { return root_ / "prefix" / "share" / "torvex"; }
    static void write(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    PathOptions installed() const {
        PathOptions o;
        o.exeDir = root_ / "prefix" / "bin";
        o.userHome = root_ / "home";
        return o;
    }

    testing::TempDir tmp_{"torvex-paths"};
    const fs::path root_ = tmp_.path();
};

TEST_F(Paths, ResolvesEachMode) {
    PathOptions o = installed();
    AppPaths p = resolvePaths(o);
    EXPECT_EQ(p.appDir, root_ / "home" / ".config" / "torvex");
    EXPECT_EQ(p.factoryDir, factory());
    EXPECT_EQ(p.skinDir, factory() / "skins");
    EXPECT_FALSE(p.portable);
    EXPECT_EQ(p.configPath(), p.appDir / "config.ini");
    EXPECT_EQ(p.macroFilePath(0), p.appDir / "Macro_CN.dat");
    EXPECT_EQ(p.macroFilePath(1), p.appDir / "Macro_EN.dat");
    EXPECT_EQ(p.defMacroPath(1), factory() / "skins" / "INI_EN" / "defMacro.dat");

    o.xdgConfigHome = root_ / "xdg";
    EXPECT_EQ(resolvePaths(o).appDir, root_ / "xdg" / "torvex");

    o.home = root_ / "chosen";
    EXPECT_EQ(resolvePaths(o).appDir, root_ / "chosen");

    // A user skin folder wins over the factory skins.
    fs::create_directories(root_ / "chosen" / "skins");
    EXPECT_EQ(resolvePaths(o).skinDir, root_ / "chosen" / "skins");

    // Portable: config.ini beside the executable.
    PathOptions portable = installed();
    write(portable.exeDir / "config.ini", "[Init]\n");
    p = resolvePaths(portable);
    EXPECT_TRUE(p.portable);
    EXPECT_EQ(p.appDir, portable.exeDir);

    // No factory folder beside the executable: the compiled-in one.
    PathOptions elsewhere;
    elsewhere.exeDir = root_ / "nowhere";
    elsewhere.compiledDataDir = factory();
    elsewhere.userHome = root_ / "home";
    EXPECT_EQ(resolvePaths(elsewhere).factoryDir, factory());
}

TEST_F(Paths, SeedingCopiesMissingFilesAndNeverOverwrites) {
    const AppPaths p = resolvePaths(installed());
    write(p.appDir / "config.ini", "the user's own, damaged or not");
    std::string error;
    ASSERT_TRUE(seedUserFolder(p, &error)) << error;
    EXPECT_EQ(read(p.appDir / "config.ini"), "the user's own, damaged or not");
    EXPECT_EQ(read(p.appDir / "Macro_CN.dat"), "factory Macro_CN.dat");
    EXPECT_EQ(read(p.appDir / "constMacro.dat"), "factory constMacro.dat");

    write(p.appDir / "Macro_CN.dat", "edited");
    ASSERT_TRUE(seedUserFolder(p));
    EXPECT_EQ(read(p.appDir / "Macro_CN.dat"), "edited");

    // A folder that cannot be created is reported.
    AppPaths blocked = p;
    write(root_ / "file", "x");
    blocked.appDir = root_ / "file" / "torvex";
    EXPECT_FALSE(seedUserFolder(blocked, &error));
    EXPECT_NE(error.find("torvex"), std::string::npos);
}

TEST_F(Paths, UnusableSettingsFilesAreNamed) {
    EXPECT_EQ(unusableFileReason(root_ / "absent.ini"), std::nullopt);
    write(root_ / "ok.ini", "[Init]\n");
    EXPECT_EQ(unusableFileReason(root_ / "ok.ini"), std::nullopt);
    fs::create_directories(root_ / "folder.ini");
    const auto reason = unusableFileReason(root_ / "folder.ini");
    ASSERT_TRUE(reason.has_value());
    EXPECT_NE(reason->find("folder.ini is a folder"), std::string::npos);
}

} // namespace
} // namespace torvex
