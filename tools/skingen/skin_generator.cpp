#include "skin_generator.h"

#include "skin_painter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <functional>
#include <utility>
#include <vector>

namespace torvex::skingen {
namespace {

constexpr int kPageQuality = 92;
constexpr int kMaskQuality = 100;
const std::array<int, 8> kIconSizes{16, 22, 24, 32, 48, 64, 128, 256};

struct LayoutFile {
    const char* name;
    bool chinese;
    int kind; // 0 main, 1 colour, 2 advanced, 3 warning
};

constexpr std::array<LayoutFile, 8> kLayoutFiles{{
    {"INI_CN/skin_main.ini", true, 0},
    {"INI_CN/skin_color.ini", true, 1},
    {"INI_CN/skin_advance.ini", true, 2},
    {"INI_CN/LBWarning.ini", true, 3},
    {"INI_EN/skin_main_en.ini", false, 0},
    {"INI_EN/skin_color_en.ini", false, 1},
    {"INI_EN/skin_advance_en.ini", false, 2},
    {"INI_EN/LBWarning_en.ini", false, 3},
}};

// Field 1 names the entry for people reading the file, fields 2 to 5 place it, field 6 is the
// caption and field 7 stays empty.
std::string entryValue(const Entry& e, bool chinese) {
    return e.id + "," + std::to_string(e.r.x) + "," + std::to_string(e.r.y) + "," +
           std::to_string(e.r.w) + "," + std::to_string(e.r.h) + "," + (chinese ? e.cn : e.en) +
           ",";
}

std::string rectValue(const std::string& id, const Rect& r) {
    return id + "," + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) +
           "," + std::to_string(r.h) + ",,";
}

template <std::size_t N>
void appendSection(std::string& out, const std::array<Entry, N>& table, bool chinese) {
    out += "[BUTTONPOS]\n";
    for (std::size_t i = 0; i < N; ++i) {
        out += std::to_string(i) + "=" + entryValue(table[i], chinese) + "\n";
    }
}

QString pictureTitle(int kind) {
    switch (kind) {
    case 0:
        return QStringLiteral("main page and function names");
    case 1:
        return QStringLiteral("lighting page");
    case 2:
        return QStringLiteral("macro page");
    default:
        return QStringLiteral("warning window");
    }
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool saveImage(const QImage& image, const QString& path, const char* format, int quality,
               QString* error) {
    // Written beside the target and renamed, so a failed run never leaves half a picture.
    const QString temp = path + QStringLiteral(".part");
    if (!image.save(temp, format, quality)) {
        QFile::remove(temp);
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(temp, path)) {
        *error = QStringLiteral("cannot rename %1").arg(temp);
        return false;
    }
    return true;
}

// The window-shape rule: a pixel whose red, green and blue all exceed 100 is cut away.
bool kept(QRgb c) {
    return qRed(c) <= 100 || qGreen(c) <= 100 || qBlue(c) <= 100;
}

bool checkMask(const QImage& intended, const QString& path, QString* error) {
    const QImage decoded(path);
    if (decoded.isNull() || decoded.size() != intended.size()) {
        *error = QStringLiteral("%1 does not decode to the mask's size").arg(path);
        return false;
    }
    const QImage a = intended.convertToFormat(QImage::Format_RGB32);
    const QImage b = decoded.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (kept(a.pixel(x, y)) != kept(b.pixel(x, y))) {
                *error = QStringLiteral("%1: pixel (%2, %3) changes side after saving")
                             .arg(path)
                             .arg(x)
                             .arg(y);
                return false;
            }
        }
    }
    return true;
}

struct Picture {
    QString name;
    std::function<QImage()> paint;
    const char* format;
    int quality;
    bool mask;
};

std::vector<Picture> pictures(const SkinDescription& skin) {
    const auto page = [&skin](Page pg, State st, Lighting l = {}) {
        return [&skin, pg, st, l] { return paintPage(skin, pg, st, l); };
    };
    const Rgb blue = kLevelColours[0];
    const Rgb pink = kLevelColours[1];
    const Rgb red = kLevelColours[2];
    const Rgb purple = kLevelColours[3];
    return {
        {"main_normal.jpg", page(Page::Main, State::Normal), "JPG", kPageQuality, false},
        {"main_over.jpg", page(Page::Main, State::Over), "JPG", kPageQuality, false},
        {"main_down.jpg", page(Page::Main, State::Down), "JPG", kPageQuality, false},
        {"advanced_normal.jpg", page(Page::Advanced, State::Normal), "JPG", kPageQuality, false},
        {"advanced_over.jpg", page(Page::Advanced, State::Over), "JPG", kPageQuality, false},
        {"advanced_down.jpg", page(Page::Advanced, State::Down), "JPG", kPageQuality, false},
        {"color_normal_pink.jpg", page(Page::Colour, State::Normal, pink), "JPG", kPageQuality,
         false},
        {"color_over_red.jpg", page(Page::Colour, State::Over, red), "JPG", kPageQuality, false},
        {"color_down_purple.jpg", page(Page::Colour, State::Down, purple), "JPG", kPageQuality,
         false},
        {"color_normal_gray.jpg", page(Page::Colour, State::Normal), "JPG", kPageQuality, false},
        {"color_over_blue.jpg", page(Page::Colour, State::Over, blue), "JPG", kPageQuality, false},
        {"main_mask.jpg", [&skin] { return paintWindowMask(skin); }, "JPG", kMaskQuality, true},
        {"dpi_slider.jpg", [&skin] { return paintKnob(skin); }, "JPG", kPageQuality, false},
        {"menu_mask.jpg", [&skin] { return paintMenuMask(skin); }, "JPG", kMaskQuality, false},
        {"menu_normal.jpg", [&skin] { return paintMenu(skin, State::Normal); }, "JPG", kPageQuality,
         false},
        {"menu_over.jpg", [&skin] { return paintMenu(skin, State::Over); }, "JPG", kPageQuality,
         false},
        {"menu_down.jpg", [&skin] { return paintMenu(skin, State::Down); }, "JPG", kPageQuality,
         false},
        {"advanced menu_mask.jpg", [&skin] { return paintSubMenuMask(skin); }, "JPG", kMaskQuality,
         false},
        {"advanced menu_normal.jpg", [&skin] { return paintSubMenu(skin, State::Normal); }, "JPG",
         kPageQuality, false},
        {"advanced menu_over.jpg", [&skin] { return paintSubMenu(skin, State::Over); }, "JPG",
         kPageQuality, false},
        {"advanced menu_down.jpg", [&skin] { return paintSubMenu(skin, State::Down); }, "JPG",
         kPageQuality, false},
        {"warning_mask.bmp", [&skin] { return paintWarningMask(skin); }, "BMP", -1, true},
        {"warning_normal.jpg", [&skin] { return paintWarning(skin, State::Normal); }, "JPG",
         kPageQuality, false},
        {"warning_over.jpg", [&skin] { return paintWarning(skin, State::Over); }, "JPG",
         kPageQuality, false},
    };
}

} // namespace

QByteArray layoutFileText(const SkinDescription& skin, const QString& name) {
    for (const LayoutFile& f : kLayoutFiles) {
        if (name != QLatin1String(f.name)) {
            continue;
        }
        std::string out = "; TORVEX V3 skin: " + pictureTitle(f.kind).toStdString() + " (" +
                          (f.chinese ? "Chinese" : "English") +
                          ").\n; Generated by tools/skingen from one description of the whole "
                          "skin; change the generator and regenerate.\n";
        switch (f.kind) {
        case 0:
            appendSection(out, skin.main, f.chinese);
            out += "[FUN_STRING]\n";
            for (std::size_t code = 1; code <= 54; ++code) {
                out += std::to_string(code) + "=" +
                       (f.chinese ? skin.funCn[code] : skin.funEn[code]) + "\n";
            }
            break;
        case 1:
            appendSection(out, skin.color, f.chinese);
            break;
        case 2:
            appendSection(out, skin.adv, f.chinese);
            out += "[EDIT]\n";
            out += "3=" + rectValue("repeat_count", skin.repeatEdit) + "\n";
            out += "4=" + rectValue("macro_name", skin.macroNameEdit) + "\n";
            out += "[MACRODISPLAY]\n";
            out += "1=" + rectValue("macro_list", skin.macroList) + "\n";
            out += "2=" + rectValue("event_list", skin.eventList) + "\n";
            break;
        default:
            appendSection(out, skin.warn, f.chinese);
            break;
        }
        return QByteArray::fromStdString(out);
    }
    return {};
}

QStringList generatedFiles() {
    QStringList files;
    for (const Picture& p : pictures(skin())) {
        files << p.name;
    }
    for (const LayoutFile& f : kLayoutFiles) {
        files << QString::fromLatin1(f.name);
    }
    files << QStringLiteral("icons/torvex.svg");
    for (int size : kIconSizes) {
        files << QStringLiteral("icons/torvex_%1.png").arg(size);
    }
    return files;
}

bool generateSkin(const SkinDescription& skin, const QString& dir, QString* error) {
    if (!checkHighlights(skin, error)) {
        return false;
    }
    const QDir root(dir);
    for (const char* sub : {"INI_CN", "INI_EN", "icons"}) {
        if (!root.mkpath(QString::fromLatin1(sub))) {
            *error =
                QStringLiteral("cannot create %1").arg(root.filePath(QString::fromLatin1(sub)));
            return false;
        }
    }
    for (const Picture& picture : pictures(skin)) {
        const QImage image = picture.paint();
        const QString path = root.filePath(picture.name);
        if (!saveImage(image, path, picture.format, picture.quality, error)) {
            return false;
        }
        if (picture.mask && !checkMask(image, path, error)) {
            return false;
        }
    }
    for (const LayoutFile& f : kLayoutFiles) {
        const QString name = QString::fromLatin1(f.name);
        if (!writeFile(root.filePath(name), layoutFileText(skin, name), error)) {
            return false;
        }
    }
    const QByteArray svg = iconSvg();
    if (!writeFile(root.filePath(QStringLiteral("icons/torvex.svg")), svg, error)) {
        return false;
    }
    for (int size : kIconSizes) {
        const QString path = root.filePath(QStringLiteral("icons/torvex_%1.png").arg(size));
        if (!saveImage(renderIcon(svg, size), path, "PNG", -1, error)) {
            return false;
        }
    }
    return true;
}

} // namespace torvex::skingen
