// A skin of flat-coloured pictures and generated layout files, so that the source of every
// composed pixel is known.
#pragma once

#include "ui/skin/skin_layout.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <filesystem>
#include <map>
#include <string>

namespace torvex::uitest {

inline constexpr int kWidth = 420;
inline constexpr int kHeight = 330;

// Rectangle of each entry of the generated layout.
QRect mainRect(int k);
QRect colorRect(int k);
QRect advRect(int k);
inline const QRect kRepeatEdit(330, 100, 60, 20);
inline const QRect kNameEdit(330, 130, 60, 20);
inline const QRect kMacroList(330, 160, 60, 40);
inline const QRect kEventList(330, 210, 60, 40);

class TestSkin {
public:
    TestSkin();
    std::filesystem::path dir() const { return dir_.path().toStdString(); }
    // The colour a picture decodes to (pictures are flat, so any pixel tells).
    QColor colour(const std::string& picture) const;
    // Writes a picture of one colour (JPEG unless the name ends in .bmp).
    void writePicture(const std::string& name, QColor colour, QSize size = {kWidth, kHeight});
    void writeImage(const std::string& name, const QImage& image, const char* format);
    // Writes the value of one key of a layout file.
    void writeLayoutValue(int language, ui::LayoutFile file, const std::string& section, int key,
                          const std::string& value);

private:
    QTemporaryDir dir_;
    std::map<std::string, QColor> colours_;
};

// Copies the factory config.ini and macro files into `home` and the test skin into home/skins.
void makeHome(const std::filesystem::path& home, const TestSkin& skin);

// Sets QT_QPA_PLATFORM=offscreen and creates the one QApplication of the test binary.
void ensureApplication();

} // namespace torvex::uitest
