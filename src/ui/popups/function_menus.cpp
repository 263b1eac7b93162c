#include "ui/popups/function_menus.h"

#include "ui/skin/language.h"
#include "ui/skin/page_composer.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>
#include <mutex>

namespace torvex::ui {

namespace {

const QColor kHoverText(255, 0, 0);
const QColor kPlainText(255, 255, 255);

// Draws `text` centred in the band (x0, y0, width, height); truncating divisions as the skin's
// author placed the texts, so a text wider than the band starts left of it.
void drawCentred(QPainter& p, const QFont& font, const QString& text, int x0, int y0, int width,
                 int height) {
    if (text.isEmpty()) {
        return;
    }
    const QFontMetrics fm(font);
    const int x = x0 + (width - fm.horizontalAdvance(text)) / 2;
    const int y = y0 + (height - fm.height()) / 2;
    p.drawText(QPoint(x, y + fm.ascent()), text);
}

// The size a popup takes from its mask, or from its normal picture when the mask is unusable.
QSize popupSize(const FunctionMenus& menus, const char* mask, const char* normal) {
    QImage image = menus.picture(mask);
    if (image.isNull()) {
        std::fprintf(stderr, "torvex: the skin picture %s is missing or unreadable\n", mask);
        image = menus.picture(normal);
    }
    return image.isNull() ? QSize() : image.size();
}

// The copy of a hovered row from the over or down picture onto the normal picture.
QImage composeRows(const QImage& normal, const QImage& strip, QSize size, int row, int rowHeight) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    if (!normal.isNull()) {
        p.drawImage(QPoint(0, 0), normal);
    }
    if (row != kNoRow) {
        CopyEntry(p, strip, QRect(0, (row - 1) * rowHeight, size.width(), rowHeight));
    }
    return out;
}

std::vector<QWidget*> topLevelsTitled(const QString& title) {
    std::vector<QWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isWindow() && w->windowTitle() == title) {
            found.push_back(w);
        }
    }
    return found;
}

} // namespace

// ---------------------------------------------------------------------------------------------

void SkinnedPopup::destroyWindow() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    hide();
    deleteLater();
}

// ---------------------------------------------------------------------------------------------

CMenuDlg::CMenuDlg(FunctionMenus& menus, QWidget* parent)
    : SkinnedPopup(parent, Qt::Tool | Qt::FramelessWindowHint), menus_(menus) {
    setWindowTitle(kFunctionMenuTitle);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    const QSize size = popupSize(menus_, "menu_mask.jpg", "menu_normal.jpg");
    menuWidth_ = size.width();
    itemHeight_ = size.height() / kMenuRows;
    menuHeight_ = itemHeight_ * kMenuRows + 1;
    shape_ = QRegion(0, 0, menuWidth_, menuHeight_);
    if (usable()) {
        setMask(shape_);
    }
    menus_.state().menuHover = kNoRow;
}

QImage CMenuDlg::compose() const {
    const PopupState& s = menus_.state();
    const QSize size(menuWidth_, menuHeight_);
    QImage out = composeRows(menus_.picture("menu_normal.jpg"),
                             menus_.picture(s.menuPressed ? "menu_down.jpg" : "menu_over.jpg"),
                             size, s.menuHover, itemHeight_);
    QPainter p(&out);
    const QFont font = captionFont(menus_.context().model.language);
    p.setFont(font);
    for (int r = 1; r <= kMenuRows; ++r) {
        p.setPen(r == s.menuHover ? kHoverText : kPlainText);
        drawCentred(p, font, menus_.context().layout.funString[static_cast<std::size_t>(r)], 0,
                    (r - 1) * itemHeight_, menuWidth_, itemHeight_);
    }
    return out;
}

void CMenuDlg::invalidate() {
    renewSubMenu_ = true;
    update();
}

void CMenuDlg::paintEvent(QPaintEvent*) {
    {
        QPainter p(this);
        p.drawImage(QPoint(0, 0), compose());
    }
    if (renewSubMenu_) {
        renewSubMenu_ = false;
        menus_.renewSubMenu(*this);
    }
}

void CMenuDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!inShape(p)) {
        return;
    }
    PopupState& s = menus_.state();
    s.menuHover = menuHitTest(p, menuWidth_, itemHeight_);
    if (s.menuHover != s.menuLastHover) {
        invalidate();
        s.menuLastHover = s.menuHover;
    }
}

void CMenuDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !inShape(event->position().toPoint())) {
        return;
    }
    menus_.state().menuPressed = true;
    invalidate();
}

void CMenuDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !inShape(event->position().toPoint())) {
        return;
    }
    PopupState& s = menus_.state();
    s.menuPressed = false;
    invalidate();
    if (s.menuHover < kAdvancedGroup) {
        menus_.assign(s.menuHover);
        destroyWindow();
        menus_.context().mainWindow.update(); // the uncovered slot shows its new function
    }
}

void CMenuDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        hide(); // no choice; the next press on the main window frees it
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------------------------------------

CSubMenuDlg::CSubMenuDlg(FunctionMenus& menus, int group, QWidget* parent)
    : SkinnedPopup(parent, Qt::Tool | Qt::FramelessWindowHint), menus_(menus), group_(group) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    const QSize size = popupSize(menus_, "advanced menu_mask.jpg", "advanced menu_normal.jpg");
    subWidth_ = size.width();
    rowHeight_ = size.height() / kSubMenuPictureRows;
    if (group_ == kUserMacroGroup) {
        macroNames_ = menus_.macroNames();
    }
    rows_ = groupRowCount(group_, static_cast<int>(macroNames_.size()));
    subHeight_ = rows_ == 0 ? 0 : rows_ * rowHeight_ + 1;
    shape_ = QRegion(0, 0, subWidth_, subHeight_);
    if (!shape_.isEmpty()) {
        setMask(shape_);
    }
    PopupState& s = menus_.state();
    s.subMenuRows = rows_;
    s.subMenuChosen = false;
}

QString CSubMenuDlg::rowText(int row) const {
    if (row < 1 || row > rows_) {
        return {};
    }
    if (group_ == kUserMacroGroup) {
        return macroNames_[static_cast<std::size_t>(row - 1)];
    }
    return functionName(menus_.context().layout, groupCodeBase(group_) + row);
}

QImage CSubMenuDlg::compose() const {
    const QSize size(subWidth_, subHeight_);
    if (size.isEmpty()) {
        return {};
    }
    QImage out =
        composeRows(menus_.picture("advanced menu_normal.jpg"),
                    menus_.picture(pressed_ ? "advanced menu_down.jpg" : "advanced menu_over.jpg"),
                    size, hoverRow_, rowHeight_);
    QPainter p(&out);
    const QFont font = captionFont(menus_.context().model.language);
    p.setFont(font);
    for (int r = 1; r <= rows_; ++r) {
        p.setPen(r == hoverRow_ ? kHoverText : kPlainText);
        drawCentred(p, font, rowText(r), 0, (r - 1) * rowHeight_, subWidth_, rowHeight_);
    }
    return out;
}

void CSubMenuDlg::paintEvent(QPaintEvent*) {
    const QImage image = compose();
    if (!image.isNull()) {
        QPainter p(this);
        p.drawImage(QPoint(0, 0), image);
    }
}

void CSubMenuDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!inShape(p)) {
        return;
    }
    PopupState& s = menus_.state();
    hoverRow_ = subMenuHitTest(p, subWidth_, rowHeight_, rows_);
    if (hoverRow_ != s.subMenuLastHover) {
        update();
        s.subMenuLastHover = hoverRow_;
    }
}

void CSubMenuDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !inShape(event->position().toPoint())) {
        return;
    }
    pressed_ = true;
    update();
}

void CSubMenuDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !inShape(event->position().toPoint())) {
        return;
    }
    pressed_ = false;
    if (hoverRow_ == kNoRow) {
        return;
    }
    menus_.subMenuChoice(*this, groupCodeBase(group_) + hoverRow_);
}

// ---------------------------------------------------------------------------------------------

WarningDlg::WarningDlg(FunctionMenus& menus, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), menus_(menus) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setModal(true);
    const QImage mask = menus_.picture("warning_mask.bmp");
    if (!mask.isNull()) {
        size_ = mask.size();
        shape_ = regionFromMask(mask);
    } else {
        std::fprintf(stderr, "torvex: the skin picture warning_mask.bmp is missing or "
                             "unreadable; the warning window is rectangular\n");
        size_ = menus_.picture("warning_normal.jpg").size();
        shape_ = QRegion(QRect(QPoint(0, 0), size_));
    }
    usable_ = !shape_.isEmpty();
    if (usable_) {
        setMask(shape_);
    }
    setGeometry(QRect(menus_.context().model.pointer.popupOrigin, size_));
}

QImage WarningDlg::compose() const {
    const PopupState& s = menus_.state();
    QImage out(size_, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    const QImage normal = menus_.picture("warning_normal.jpg");
    if (!normal.isNull()) {
        p.drawImage(QPoint(0, 0), normal);
    }
    const auto& warn = menus_.context().layout.warnLayout;
    if (s.warnHover == 1 || s.warnHover == 2) {
        CopyEntry(p, menus_.picture("warning_over.jpg"),
                  warn[static_cast<std::size_t>(s.warnHover - 1)].rect());
    }
    const QFont font = captionFont(menus_.context().model.language);
    p.setFont(font);
    p.setPen(kHoverText);
    for (const SkinEntry& e : warn) {
        drawCentred(p, font, e.caption, e.x, e.y, e.width, e.height);
    }
    return out;
}

void WarningDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), compose());
}

void WarningDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (!shape_.contains(p)) {
        return;
    }
    PopupState& s = menus_.state();
    const auto& warn = menus_.context().layout.warnLayout;
    s.warnHover = warn[0].contains(p.x(), p.y()) ? 1 : warn[1].contains(p.x(), p.y()) ? 2 : kNoRow;
    if (s.warnHover != s.warnLastHover) {
        s.warnLastHover = s.warnHover;
        update();
    }
}

void WarningDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !shape_.contains(event->position().toPoint())) {
        return;
    }
    const int hover = menus_.state().warnHover;
    if (hover == 1 || hover == 2) {
        done(hover);
    }
}

void WarningDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        reject();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        break; // Enter does nothing here
    default:
        QDialog::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------------------------------------

FunctionMenus::~FunctionMenus() {
    if (uninstall_) {
        uninstall_();
    }
    // Popups still open go now; their parents may outlive us.
    delete subMenu_.data();
    delete functionMenu_.data();
}

int FunctionMenus::showWarning() {
    WarningDlg dialog(*this, &c_.mainWindow);
    if (!dialog.usable()) {
        return -1;
    }
    warning_ = &dialog;
    const int result = dialog.exec();
    warning_ = nullptr;
    return result;
}

void FunctionMenus::openFunctionMenu() {
    closeFunctionMenu(); // a menu hidden by Enter or Esc that no press has freed yet
    auto* menu = new CMenuDlg(*this, &c_.mainWindow); // owned by the main window
    functionMenu_ = menu;
    if (!menu->usable()) {
        menu->destroyWindow(); // without its pictures the menu has no size
        return;
    }
    menu->setGeometry(QRect(c_.model.pointer.popupOrigin, kMenuWindowSize));
    menu->show();
}

void FunctionMenus::closeFunctionMenu() {
    destroySubMenu();
    if (functionMenu_) {
        functionMenu_->destroyWindow();
    }
}

void FunctionMenus::beforePaint() {
    if (state_.subMenuChosen) {
        closeFunctionMenu();
        state_.subMenuChosen = false;
    }
}

int FunctionMenus::macroCount() const {
    std::lock_guard lock(c_.macros.mutex);
    return static_cast<int>(c_.macros.macroTable.usedCount());
}

std::vector<QString> FunctionMenus::macroNames() const {
    std::lock_guard lock(c_.macros.mutex);
    std::vector<QString> names;
    const MacroTable& t = c_.macros.macroTable;
    for (std::size_t i = 0; i < t.usedCount(); ++i) {
        const std::u16string_view n = t.records[i].nameView();
        names.push_back(QString::fromUtf16(n.data(), static_cast<qsizetype>(n.size())));
    }
    return names;
}

void FunctionMenus::assign(int code) {
    AssignButtonFunction(c_.model.settings, c_.model.pointer.editedSlot, code);
}

void FunctionMenus::destroySubMenu() {
    state_.subMenuOpen = false;
    if (subMenu_) {
        subMenu_->destroyWindow();
    }
}

void FunctionMenus::renewSubMenu(CMenuDlg& menu) {
    if (state_.subMenuOpen) {
        destroySubMenu();
    }
    const int group = state_.menuHover;
    if (group < kAdvancedGroup || group > kFixedMacroGroup) {
        return;
    }
    auto* sub = new CSubMenuDlg(*this, group, &menu); // owned by the function menu
    subMenu_ = sub;
    state_.subMenuOpen = true;
    const QPoint at = menu.geometry().topLeft() +
                      QPoint(menu.menuWidth(), (group - sub->rows()) * menu.itemHeight());
    sub->setGeometry(QRect(at, kSubMenuWindowSize));
    if (!sub->shape().isEmpty()) {
        sub->show(); // an empty group has no height: nothing to see or click
    }
}

void FunctionMenus::subMenuChoice(CSubMenuDlg& sub, int code) {
    assign(code);
    state_.subMenuChosen = true;
    sub.update();
    for (QWidget* menu : topLevelsTitled(kFunctionMenuTitle)) {
        menu->close();
    }
    for (QWidget* main : topLevelsTitled(windowTitle(c_.model.language))) {
        main->repaint(); // its paint frees the function menu, and this submenu with it
    }
    sub.destroyWindow();
}

} // namespace torvex::ui
