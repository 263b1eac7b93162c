#pragma once

#include <QTranslator>
#include <memory>

namespace torvex::app {

// Qt's own texts — the buttons of message boxes, the file dialogs — in the interface's
// language, so that a Chinese interface does not ask "OK" and "Cancel".
class QtTranslations {
public:
    // 0 Chinese: Qt's Chinese catalogue; any other language: Qt's built-in English. Returns
    // false when the catalogue is not installed (package qt6-translations-l10n).
    bool apply(int language);

private:
    std::unique_ptr<QTranslator> chinese_;
    bool installed_ = false;
};

} // namespace torvex::app
