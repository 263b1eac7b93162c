#include "app/app_log.h"

namespace torvex::app {

Q_LOGGING_CATEGORY(lcTorvex, "torvex")

void enableLog(bool verbose) {
    QLoggingCategory::setFilterRules(verbose ? QStringLiteral("torvex*=true")
                                             : QStringLiteral("torvex*=false"));
}

} // namespace torvex::app
