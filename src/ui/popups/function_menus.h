// The skinned popups that assign a function to a mouse button: the function menu (CMenuDlg),
// its submenu of function groups (CSubMenuDlg) and the warning before the last left click is
// reassigned (WarningDlg), with FunctionMenus, which opens and closes them for the main window.
#pragma once

#include "macro/macro_record.h"
#include "ui/popups/button_assignment.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"
#include "ui/skin/ui_model.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

namespace torvex::ui {

inline constexpr QSize kMenuWindowSize{300, 300};
inline constexpr QSize kSubMenuWindowSize{300, 400};
inline const QString kFunctionMenuTitle = QStringLiteral("MainMenuDlg");

// Hover and press state shared by the popups; it outlives every single popup, so a new menu
// starts from what the last one left.
struct PopupState {
    int menuHover = kNoRow;
    int menuLastHover = 0;
    bool menuPressed = false;
    bool subMenuOpen = false;
    int subMenuRows = 0;
    bool subMenuChosen = false;
    int subMenuLastHover = kNoRow;
    int warnHover = 0;
    int warnLastHover = 0;
};

class FunctionMenus;

// Pointer input reaches a popup only where its shape is, as on a shaped window; events that Qt
// delivers outside it (the implicit grab while a button is held) are not ours.
class SkinnedPopup : public QWidget {
public:
    using QWidget::QWidget;
    // Hides the window and frees it once control is back in the event loop; again is harmless.
    void destroyWindow();
    bool destroyed() const { return destroyed_; }

protected:
    bool inShape(QPoint p) const { return shape_.contains(p) && rect().contains(p); }
    QRegion shape_;

private:
    bool destroyed_ = false;
};

class CMenuDlg final : public SkinnedPopup {
public:
    CMenuDlg(FunctionMenus& menus, QWidget* parent);

    bool usable() const { return itemHeight_ > 0 && menuWidth_ > 0; }
    int menuWidth() const { return menuWidth_; }
    int itemHeight() const { return itemHeight_; }
    int menuHeight() const { return menuHeight_; }
    QRegion shape() const { return shape_; }
    // What a paint shows: menuWidth x menuHeight pixels.
    QImage compose() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Repaints asked for by the menu itself also renew the submenu; a repaint of the system
    // (an expose) only redraws.
    void invalidate();

    FunctionMenus& menus_;
    int menuWidth_ = 0;
    int itemHeight_ = 0;
    int menuHeight_ = 0;
    bool renewSubMenu_ = true;
};

class CSubMenuDlg final : public SkinnedPopup {
public:
    CSubMenuDlg(FunctionMenus& menus, int group, QWidget* parent);

    int group() const { return group_; }
    int rows() const { return rows_; }
    int subWidth() const { return subWidth_; }
    int rowHeight() const { return rowHeight_; }
    int subHeight() const { return subHeight_; }
    int hoverRow() const { return hoverRow_; }
    QRegion shape() const { return shape_; }
    QString rowText(int row) const;
    QImage compose() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    FunctionMenus& menus_;
    int group_;
    int rows_ = 0;
    std::vector<QString> macroNames_;
    int subWidth_ = 0;
    int rowHeight_ = 0;
    int subHeight_ = 0;
    int hoverRow_ = kNoRow;
    bool pressed_ = false;
};

class WarningDlg final : public QDialog {
public:
    WarningDlg(FunctionMenus& menus, QWidget* parent);

    // False when neither the mask nor the normal picture gives the window a size, or the mask
    // leaves nothing of it: such a window cannot be shown.
    bool usable() const { return usable_; }
    QRegion shape() const { return shape_; }
    QImage compose() const;

    void accept() override {} // Enter never closes the window
    void reject() override { done(2); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    FunctionMenus& menus_;
    QSize size_;
    QRegion shape_;
    bool usable_ = false;
};

// The parts of the main window the popups work on. All references outlive FunctionMenus.
struct PopupContext {
    QWidget& mainWindow;
    UiModel& model;
    const SkinLayout& layout;
    MacroTables& macros;
    ImageCache& cache;
    std::filesystem::path skinDir;
};

class FunctionMenus {
public:
    explicit FunctionMenus(PopupContext context) : c_(std::move(context)) {}
    ~FunctionMenus();
    FunctionMenus(const FunctionMenus&) = delete;
    FunctionMenus& operator=(const FunctionMenus&) = delete;

    // What the main window calls. showWarning runs the warning modally: 1 goes on, 2 cancels,
    // and -1 (no window could be shown) goes on as well.
    int showWarning();
    void openFunctionMenu();
    void closeFunctionMenu();
    void beforePaint();

    // Fills the main window's popup hooks; the destructor empties them again.
    template <class Hooks>
    void installInto(Hooks& hooks) {
        hooks.showWarning = [this] { return showWarning(); };
        hooks.openFunctionMenu = [this] { openFunctionMenu(); };
        hooks.closeFunctionMenu = [this] { closeFunctionMenu(); };
        hooks.beforePaint = [this] { beforePaint(); };
        uninstall_ = [&hooks] {
            hooks.showWarning = nullptr;
            hooks.openFunctionMenu = nullptr;
            hooks.closeFunctionMenu = nullptr;
            hooks.beforePaint = nullptr;
        };
    }

    PopupState& state() { return state_; }
    const PopupContext& context() const { return c_; }
    CMenuDlg* functionMenu() const { return functionMenu_; }
    CSubMenuDlg* subMenu() const { return subMenu_; }
    // The warning window while it is shown.
    WarningDlg* warning() const { return warning_; }

    // For the popups themselves.
    QImage picture(const char* name) const { return c_.cache.load(c_.skinDir / name); }
    int macroCount() const;
    std::vector<QString> macroNames() const;
    void assign(int code);
    // The function menu's repaint: close the submenu, and open the hovered group's.
    void renewSubMenu(CMenuDlg& menu);
    // A submenu row was chosen.
    void subMenuChoice(CSubMenuDlg& sub, int code);

private:
    void destroySubMenu();

    PopupContext c_;
    PopupState state_;
    QPointer<CMenuDlg> functionMenu_;
    QPointer<CSubMenuDlg> subMenu_;
    QPointer<WarningDlg> warning_;
    std::function<void()> uninstall_;
};

} // namespace torvex::ui
