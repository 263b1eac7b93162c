#include "skin_files.h"

#include "common/ini_store.h"
#include "common/leading_int.h"

#include <QGuiApplication>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

#if defined(__SANITIZE_THREAD__)
#define TORVEX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TORVEX_TSAN 1
#endif
#endif

#ifdef TORVEX_TSAN
// Qt is not built with ThreadSanitizer: the work its image code hands to its own thread pool is
// synchronised inside Qt, where the sanitizer cannot see it.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\nrace:libQt6Gui.so\n";
}
#endif

namespace torvex::skintest {

std::filesystem::path skinDir() {
    return std::filesystem::path(TORVEX_SOURCE_DIR) / "data" / "skins";
}

Fields splitValue(const std::string& value) {
    Fields f;
    std::size_t start = 0;
    std::size_t field = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != ',') {
            continue;
        }
        ++f.commas;
        if (field < 6) {
            f.field[field++] = value.substr(start, i - start);
            start = i + 1;
        }
    }
    f.field[field] = value.substr(start);
    return f;
}

LayoutFiles layoutFiles(int language) {
    const std::filesystem::path d = skinDir();
    if (language == 0) {
        return {d / "INI_CN" / "skin_main.ini", d / "INI_CN" / "skin_color.ini",
                d / "INI_CN" / "skin_advance.ini", d / "INI_CN" / "LBWarning.ini"};
    }
    return {d / "INI_EN" / "skin_main_en.ini", d / "INI_EN" / "skin_color_en.ini",
            d / "INI_EN" / "skin_advance_en.ini", d / "INI_EN" / "LBWarning_en.ini"};
}

LayoutEntry readEntry(const std::filesystem::path& file, const char* section, int key) {
    const Fields f = splitValue(ini::readString(file, section, std::to_string(key), kLayoutBuffer));
    return {leadingInt(f.field[1]), leadingInt(f.field[2]), leadingInt(f.field[3]),
            leadingInt(f.field[4]), f.field[5]};
}

std::vector<LayoutEntry> readTable(const std::filesystem::path& file, int count) {
    std::vector<LayoutEntry> table;
    for (int key = 0; key < count; ++key) {
        table.push_back(readEntry(file, "BUTTONPOS", key));
    }
    return table;
}

std::string readFunString(const std::filesystem::path& mainFile, int code) {
    return splitValue(ini::readString(mainFile, "FUN_STRING", std::to_string(code), kLayoutBuffer))
        .field[0];
}

std::vector<std::pair<std::string, std::string>> keysInFile(const std::filesystem::path& file) {
    std::vector<std::pair<std::string, std::string>> keys;
    std::ifstream in(file);
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            keys.emplace_back(section, line.substr(0, eq));
        }
    }
    return keys;
}

QImage loadPicture(const char* name) {
    ensureGuiApplication();
    // Read as decoded (RGB32, or Grayscale8 for a grey JPEG); pixel() gives RGB either way.
    return QImage(QString::fromStdString((skinDir() / name).string()));
}

bool keptPixel(QRgb c) {
    return qRed(c) <= 100 || qGreen(c) <= 100 || qBlue(c) <= 100;
}

namespace {

// The application lives from the first test to the last and is gone before static destruction,
// where tearing Qt down crashes.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            app_ = std::make_unique<QGuiApplication>(argc_, argv_.data());
        }
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[11] = "skin_tests";
    std::array<char*, 2> argv_{name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

// gtest takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const kGuiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

} // namespace

void ensureGuiApplication() {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
}

} // namespace torvex::skintest
