#include "test_skin.h"

#include "common/ini_store.h"

#include <QApplication>
#include <QPainter>
#include <fstream>

namespace torvex::uitest {
namespace fs = std::filesystem;

QRect mainRect(int k) {
    return {10 + (k % 10) * 40, 10 + (k / 10) * 30, 36, 26};
}
QRect colorRect(int k) {
    if (k == 11) {
        return {300, 200, 100, 80};
    }
    return {10 + (k % 10) * 40, 100 + (k / 10) * 30, 36, 26};
}
QRect advRect(int k) {
    if (k == 30) {
        return {10, 310, 300, 16};
    }
    return {10 + (k % 10) * 40, 100 + (k / 10) * 30, 36, 26};
}

namespace {

std::string entryValue(const std::string& label, const QRect& r, const std::string& caption) {
    return label + "," + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
           std::to_string(r.width()) + "," + std::to_string(r.height()) + "," + caption + ",";
}

void writeLayouts(const fs::path& skinDir, int language) {
    const std::string tag = language == 0 ? "Z" : "E";
    const auto file = [&](ui::LayoutFile f) { return ui::layoutFilePath(skinDir, language, f); };
    fs::create_directories(file(ui::LayoutFile::Main).parent_path());
    std::string text = "[BUTTONPOS]\n";
    for (int k = 0; k < ui::kMainEntries; ++k) {
        text +=
            std::to_string(k) + "=" + entryValue("m", mainRect(k), tag + std::to_string(k)) + "\n";
    }
    text += "[FUN_STRING]\n";
    for (int k = 1; k < ui::kFunStrings; ++k) {
        text += std::to_string(k) + "=" + (language == 0 ? "函" : "F") + std::to_string(k) + "\n";
    }
    std::ofstream(file(ui::LayoutFile::Main)) << text;

    text = "[BUTTONPOS]\n";
    for (int k = 0; k < ui::kColorEntries; ++k) {
        text += std::to_string(k) + "=" +
                entryValue("c", colorRect(k), tag + "c" + std::to_string(k)) + "\n";
    }
    std::ofstream(file(ui::LayoutFile::Color)) << text;

    text = "[BUTTONPOS]\n";
    for (int k = 0; k < ui::kAdvEntries; ++k) {
        text += std::to_string(k) + "=" +
                entryValue("a", advRect(k), tag + "a" + std::to_string(k)) + "\n";
    }
    text += "[EDIT]\n3=" + entryValue("repeat", kRepeatEdit, "") +
            "\n4=" + entryValue("name", kNameEdit, "") + "\n";
    text += "[MACRODISPLAY]\n1=" + entryValue("macros", kMacroList, "") +
            "\n2=" + entryValue("events", kEventList, "") + "\n";
    std::ofstream(file(ui::LayoutFile::Advanced)) << text;

    text = "[BUTTONPOS]\n";
    for (int k = 0; k < ui::kWarnEntries; ++k) {
        text += std::to_string(k) + "=" +
                entryValue("w", QRect(10, 10 + 30 * k, 100, 26), tag + "w" + std::to_string(k)) +
                "\n";
    }
    std::ofstream(file(ui::LayoutFile::Warning)) << text;
}

} // namespace

TestSkin::TestSkin() {
    ensureApplication();
    const std::pair<const char*, QColor> pictures[] = {
        {"main_normal.jpg", QColor(20, 20, 20)},
        {"main_over.jpg", QColor(0, 200, 0)},
        {"main_down.jpg", QColor(0, 0, 200)},
        {"advanced_normal.jpg", QColor(40, 40, 40)},
        {"advanced_over.jpg", QColor(0, 150, 0)},
        {"advanced_down.jpg", QColor(0, 0, 150)},
        {"color_normal_pink.jpg", QColor(250, 150, 200)},
        {"color_over_red.jpg", QColor(200, 0, 0)},
        {"color_down_purple.jpg", QColor(128, 0, 128)},
        {"color_over_blue.jpg", QColor(0, 0, 255)},
        {"color_normal_gray.jpg", QColor(128, 128, 128)},
        {"dpi_slider.jpg", QColor(0, 220, 220)},
        {"main_mask.jpg", QColor(0, 0, 0)},
    };
    for (const auto& [name, colour] : pictures) {
        writePicture(name, colour);
    }
    writeLayouts(dir(), 0);
    writeLayouts(dir(), 1);
}

void TestSkin::writeImage(const std::string& name, const QImage& image, const char* format) {
    image.save(QString::fromStdString((dir() / name).string()), format, 100);
}

void TestSkin::writePicture(const std::string& name, QColor colour, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const bool bmp = name.ends_with(".bmp");
    writeImage(name, image, bmp ? "BMP" : "JPG");
    QImage back(QString::fromStdString((dir() / name).string()));
    colours_[name] = back.isNull() ? QColor() : QColor(back.pixel(0, 0));
}

QColor TestSkin::colour(const std::string& picture) const {
    const auto it = colours_.find(picture);
    return it == colours_.end() ? QColor() : it->second;
}

void TestSkin::writeLayoutValue(int language, ui::LayoutFile file, const std::string& section,
                                int key, const std::string& value) {
    ini::writeString(ui::layoutFilePath(dir(), language, file), section, std::to_string(key),
                     value);
}

void makeHome(const fs::path& home, const TestSkin& skin) {
    const fs::path data = fs::path(TORVEX_SOURCE_DIR) / "data";
    fs::create_directories(home);
    for (const char* f : {"config.ini", "Macro_CN.dat", "Macro_EN.dat", "constMacro.dat"}) {
        fs::copy_file(data / f, home / f, fs::copy_options::overwrite_existing);
    }
    fs::copy(skin.dir(), home / "skins", fs::copy_options::recursive);
    // The factory macros of the real skin, for restore defaults.
    for (const char* lang : {"INI_CN", "INI_EN"}) {
        fs::copy_file(data / "skins" / lang / "defMacro.dat",
                      home / "skins" / lang / "defMacro.dat", fs::copy_options::overwrite_existing);
    }
}

void ensureApplication() {
    if (QApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

} // namespace torvex::uitest
