// The notification-area icon: added with the window title as its tip, removed at exit, a double
// click asks for the window and a right click shows the owner-drawn tray menu.
#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QMenu;

namespace torvex::ui {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QIcon icon, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Adding never modifies an icon that exists: it keeps the tip it was added with.
    void add(const QString& tip, QMenu* menu);
    void remove();
    bool present() const { return present_; }
    QString tip() const;
    // The menu changes with the language; the icon's tip does not until it is added again.
    void setMenu(QMenu* menu);

signals:
    void doubleClicked();

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool present_ = false;
};

} // namespace torvex::ui
