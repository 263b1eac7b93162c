#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace torvex::app {

bool QtTranslations::apply(int language) {
    if (language != 0) {
        if (installed_) {
            QCoreApplication::removeTranslator(chinese_.get());
            installed_ = false;
        }
        return true;
    }
    if (installed_) {
        return true;
    }
    if (!chinese_) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                              QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            return false;
        }
        chinese_ = std::move(translator);
    }
    installed_ = QCoreApplication::installTranslator(chinese_.get());
    return installed_;
}

} // namespace torvex::app
