// skingen: paints every picture and writes every layout file of the torvex skin.
//
//   torvex-skingen --out DIR [--sheet FILE]
//
// DIR receives the skin (pictures, INI_CN, INI_EN, icons); FILE, when given, receives the
// contact sheet composed from the pictures just written.

#include "contact_sheet.h"
#include "skin_generator.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv) {
    // Always offscreen: a display's font settings (sub-pixel smoothing, say) would change the
    // pixels of the few texts painted into pictures.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QString out;
    QString sheet;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size()) {
            out = args[++i];
        } else if (args[i] == QLatin1String("--sheet") && i + 1 < args.size()) {
            sheet = args[++i];
        } else {
            std::fprintf(stderr, "usage: torvex-skingen --out DIR [--sheet FILE]\n");
            return 2;
        }
    }
    if (out.isEmpty()) {
        std::fprintf(stderr, "usage: torvex-skingen --out DIR [--sheet FILE]\n");
        return 2;
    }
    QString error;
    const auto& skin = torvex::skingen::skin();
    if (!torvex::skingen::generateSkin(skin, out, &error)) {
        std::fprintf(stderr, "skingen: %s\n", qPrintable(error));
        return 1;
    }
    if (!sheet.isEmpty() && !torvex::skingen::writeContactSheet(skin, out, sheet, &error)) {
        std::fprintf(stderr, "skingen: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
