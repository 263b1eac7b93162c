#include "ui/popups/tray_icon.h"

#include <QMenu>

namespace torvex::ui {

TrayIcon::TrayIcon(QIcon icon, QObject* parent)
    : QObject(parent), icon_(std::make_unique<QSystemTrayIcon>(std::move(icon))) {
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    emit doubleClicked();
                }
            });
}

TrayIcon::~TrayIcon() {
    remove();
}

void TrayIcon::add(const QString& tip, QMenu* menu) {
    if (present_) {
        return;
    }
    icon_->setToolTip(tip);
    icon_->setContextMenu(menu);
    icon_->show();
    present_ = true;
}

void TrayIcon::remove() {
    if (present_) {
        icon_->hide();
        present_ = false;
    }
}

QString TrayIcon::tip() const {
    return icon_->toolTip();
}

void TrayIcon::setMenu(QMenu* menu) {
    icon_->setContextMenu(menu);
}

} // namespace torvex::ui
