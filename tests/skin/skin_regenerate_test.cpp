// The committed skin must be exactly what the generator paints: a change to the generator needs
// `cmake --build <dir> --target skin` and a commit of data/skins.

#include "skin_files.h"
#include "skin_generator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace torvex::skintest {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Largest difference of one colour channel (alpha included) between two pictures.
int largestDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return worst;
}

TEST(SkinGenerator, CommittedSkinEqualsWhatTheGeneratorPaints) {
    ensureGuiApplication();
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QString error;
    ASSERT_TRUE(skingen::generateSkin(skingen::skin(), temp.path(), &error)) << error.toStdString();
    const QDir committed(QString::fromStdString(skinDir().string()));
    const QDir fresh(temp.path());
    const QStringList files = skingen::generatedFiles();
    ASSERT_GT(files.size(), 30);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString a = committed.filePath(name);
        const QString b = fresh.filePath(name);
        ASSERT_TRUE(QFile::exists(a)) << "not committed: regenerate with the skin target";
        if (name.endsWith(QLatin1String(".ini")) || name.endsWith(QLatin1String(".svg"))) {
            EXPECT_EQ(readAll(a), readAll(b)) << "differs: regenerate with the skin target";
            continue;
        }
        // Pictures by their decoded pixels, allowing for a JPEG codec built differently.
        const QImage ia = QImage(a).convertToFormat(QImage::Format_ARGB32);
        const QImage ib = QImage(b).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(ia.isNull());
        ASSERT_FALSE(ib.isNull());
        ASSERT_EQ(ia.size(), ib.size());
        EXPECT_LE(largestDifference(ia, ib), 3) << "differs: regenerate with the skin target";
    }
}

} // namespace
} // namespace torvex::skintest
