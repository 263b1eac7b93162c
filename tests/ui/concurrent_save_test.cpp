// The window and torvexctl saving different keys of one config.ini at the same time: the window
// applies DPI levels through its own pointer handling while torvexctl runs `set` again and again.
#include "app/CQAV_VUvuvuDlg.h"
#include "common/ini_store.h"
#include "device/pointer_settings.h"
#include "sim/virtual_mouse.h"
#include "support/process.h"
#include "support/programs.h"
#include "test_skin.h"

#include <QTest>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace torvex::app {
namespace {
namespace fs = std::filesystem;
using uitest::mainRect;

class NullClock final : public ui::AnimatorScheduler {
public:
    void schedule(int, std::function<void()>) override {}
    void cancel() override {}
};

// torvexctl with these arguments, its output kept in `scratch`; its exit status, or -1 when it
// could not start.
int torvexctl(const std::vector<std::string>& args, const fs::path& scratch) {
    return testing::Process(testing::kTorvexCtl, args, scratch)
        .wait(std::chrono::seconds(60))
        .status;
}

TEST(ConcurrentSave, TheWindowAndTorvexctlSavingDifferentKeysLoseNeither) {
    QTemporaryDir tmp;
    uitest::TestSkin skin;
    const fs::path home = fs::path(tmp.path().toStdString()) / "home";
    uitest::makeHome(home, skin);
    const fs::path config = home / "config.ini";
    ini::writeString(config, "Init", "CurConfig", "1");
    const auto key = [&](const char* section, const char* k) {
        return ini::readString(config, section, k, 16);
    };
    // torvexctl changes a different key in each run (four keys of profiles 2..5), so any change
    // lost to a concurrent write of the window shows at the end.
    struct Change {
        std::string profile;
        std::string key;
        std::string value;
    };
    std::vector<Change> changes;
    for (const char* profile : {"2", "3", "4", "5"}) {
        for (const auto& [k, range] : {std::pair{"FIRE_TIME", 301}, std::pair{"USB_SPEED", 256},
                                       std::pair{"DPI_SPEED", 10}, std::pair{"WHEEL_SPEED", 10}}) {
            const int now = std::stoi("0" + key((std::string("Config") + profile).c_str(), k));
            changes.push_back({profile, k, std::to_string((now + 1) % range)});
        }
    }

    sim::VirtualMouse mouse;
    device::FilePointerSettings pointer(home / "pointer.ini");
    DialogEnvironment env;
    env.paths.appDir = home;
    env.paths.skinDir = home / "skins";
    env.backend = &mouse;
    env.pointer = &pointer;
    env.message = [](const QString&) {};
    env.scheduler = std::make_unique<NullClock>();
    env.trayAvailable = [] { return true; };
    env.watchResume = false;
    CQAV_VUvuvuDlg window(std::move(env));
    ASSERT_TRUE(window.MainInit());
    window.show();

    std::atomic<int> failures{0};
    std::atomic<bool> done{false};
    std::thread cli([&] {
        for (const Change& c : changes) {
            if (torvexctl(
                    {"--home", home.string(), "set", "--profile", c.profile, c.key + "=" + c.value},
                    tmp.path().toStdString()) != 0) {
                ++failures;
            }
        }
        done = true;
    });
    // Meanwhile the window chooses DPI levels of profile 1 and applies each (saving profile 1,
    // the applied copy and CurConfig), until torvexctl is through.
    const auto click = [&](const QRect& r) {
        const QPoint p = r.topLeft() + QPoint(2, 2);
        QTest::mouseMove(&window, p);
        QTest::mouseClick(&window, Qt::LeftButton, {}, p);
    };
    int applied = 0;
    int level = 0;
    while (!done || applied < 3) {
        level = (level + 1) % 4;
        click(mainRect(54 + level)); // level button
        click(mainRect(3));          // Apply
        ++applied;
    }
    cli.join();

    EXPECT_EQ(failures, 0);
    for (const Change& c : changes) {
        EXPECT_EQ(key(("Config" + c.profile).c_str(), c.key.c_str()), c.value)
            << "profile " << c.profile << " " << c.key;
    }
    ASSERT_EQ(window.model().settings.dpiLevel, level);
    EXPECT_EQ(key("Config1", "DPI_LEVEL"), std::to_string(level));
    EXPECT_EQ(key("Config6", "DPI_LEVEL"), std::to_string(level));
    EXPECT_EQ(key("Init", "CurConfig"), "1");
}

} // namespace
} // namespace torvex::app
