// Qt's own buttons follow the interface language.
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace torvex::app {
namespace {

TEST(QtTranslations, ChineseInterfaceGetsQtsChineseButtonsAndBack) {
    int argc = 1;
    char name[] = "qt_translations_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto ok = [] { return QCoreApplication::translate("QPlatformTheme", "OK"); };
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    ASSERT_EQ(ok(), "OK");

    QtTranslations texts;
    ASSERT_TRUE(texts.apply(0)) << "Qt's Chinese catalogue is missing (qt6-translations-l10n)";
    EXPECT_EQ(ok(), QString::fromUtf8("确定"));
    EXPECT_EQ(cancel(), QString::fromUtf8("取消"));
    EXPECT_TRUE(texts.apply(0)); // twice is harmless

    EXPECT_TRUE(texts.apply(1));
    EXPECT_EQ(ok(), "OK");
    EXPECT_TRUE(texts.apply(0));
    EXPECT_EQ(ok(), QString::fromUtf8("确定"));
}

} // namespace
} // namespace torvex::app
