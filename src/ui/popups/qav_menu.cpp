#include "ui/popups/qav_menu.h"

#include <QAction>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace torvex::ui {
namespace {

using Item = MenuItem;

// English event-list menu (154).
constexpr Item kEnLeftFwd[] = {{u"Down ", 32802, {}}, {u"Up", 32803, {}}};
constexpr Item kEnRightFwd[] = {{u"Down", 32804, {}}, {u"Up", 32805, {}}};
constexpr Item kEnMidFwd[] = {{u"Down", 32806, {}}, {u"Up", 32807, {}}};
constexpr Item kEnLeftBack[] = {{u"Down ", 32809, {}}, {u"Up", 32810, {}}};
constexpr Item kEnRightBack[] = {{u"Down", 32811, {}}, {u"Up", 32812, {}}};
constexpr Item kEnMidBack[] = {{u"Down", 32813, {}}, {u"Up", 32814, {}}};
constexpr Item kEnForward[] = {{u"Left Button", -1, kEnLeftFwd},
                               {u"Right Button", -1, kEnRightFwd},
                               {u"Mid Button", -1, kEnMidFwd}};
constexpr Item kEnBackward[] = {{u"Left Button", -1, kEnLeftBack},
                                {u"Right Button", -1, kEnRightBack},
                                {u"Mid Button", -1, kEnMidBack}};
constexpr Item kEnContext[] = {{u"Add Forward", -1, kEnForward},
                               {u"Add Backward", -1, kEnBackward},
                               {u"Modify Delay", 32780, {}},
                               {u"Delete", 32781, {}}};
constexpr Item kEnContextTop[] = {{u"MENU_CN", -1, kEnContext}};

// Chinese event-list menu (161); the trailing spaces are the menu's own.
constexpr Item kCnLeftFwd[] = {{u"向下    ", 32817, {}}, {u"向上", 32818, {}}};
constexpr Item kCnRightFwd[] = {{u"向下    ", 32820, {}}, {u"向上", 32821, {}}};
constexpr Item kCnMidFwd[] = {{u"向下    ", 32823, {}}, {u"向上", 32824, {}}};
constexpr Item kCnLeftBack[] = {{u"向下  ", 32829, {}}, {u"向上", 32830, {}}};
constexpr Item kCnRightBack[] = {{u"向下   ", 32831, {}}, {u"向上", 32832, {}}};
constexpr Item kCnMidBack[] = {{u"向下   ", 32833, {}}, {u"向上", 32834, {}}};
constexpr Item kCnForward[] = {
    {u"左键    ", -1, kCnLeftFwd}, {u"右键", -1, kCnRightFwd}, {u"中键", -1, kCnMidFwd}};
constexpr Item kCnBackward[] = {
    {u"左键   ", -1, kCnLeftBack}, {u"右键   ", -1, kCnRightBack}, {u"中键   ", -1, kCnMidBack}};
constexpr Item kCnContext[] = {{u"项前插入    ", -1, kCnForward},
                               {u"项后插入", -1, kCnBackward},
                               {u"修改延迟", 32835, {}},
                               {u"删除", 32836, {}}};
constexpr Item kCnContextTop[] = {{u"插入菜单", -1, kCnContext}};

// Tray menus (157, 162).
constexpr Item kEnTray[] = {{u"Show Window", kCmdShowWindowEn, {}},
                            {u"Exit Driver", kCmdExitEn, {}}};
constexpr Item kEnTrayTop[] = {{u"Menu_Tray", -1, kEnTray}};
constexpr Item kCnTray[] = {{u"显示窗口   ", kCmdShowWindowCn, {}}, {u"关闭驱动", kCmdExitCn, {}}};
constexpr Item kCnTrayTop[] = {{u"托盘菜单", -1, kCnTray}};

constexpr Item kResources[] = {
    {u"154", 154, kEnContextTop},
    {u"157", 157, kEnTrayTop},
    {u"161", 161, kCnContextTop},
    {u"162", 162, kCnTrayTop},
};

const QColor kRowColour(0, 120, 153);

} // namespace

const MenuItem& menuResource(MenuResource which) {
    for (const Item& r : kResources) {
        if (r.id == static_cast<int>(which)) {
            return r;
        }
    }
    return kResources[0];
}

MenuResource contextMenuResource(int language) {
    return language != 0 ? MenuResource::ContextEnglish : MenuResource::ContextChinese;
}
MenuResource trayMenuResource(int language) {
    return language != 0 ? MenuResource::TrayEnglish : MenuResource::TrayChinese;
}

CQavMenu::CQavMenu() : style_(std::make_unique<QavMenuStyle>()) {}
CQavMenu::~CQavMenu() = default;

void CQavMenu::load(MenuResource which) {
    load(menuResource(which));
}

void CQavMenu::load(const MenuItem& resource) {
    root_ = std::make_unique<QMenu>();
    root_->setStyle(style_.get());
    popup_ = nullptr;
    entryCount_ = 0;
    MakeOwnerDrawn(resource.children, root_.get());
    const auto actions = root_->actions();
    if (!actions.isEmpty()) {
        popup_ = actions.front()->menu();
    }
}

void CQavMenu::MakeOwnerDrawn(std::span<const MenuItem> items, QMenu* menu) {
    for (const MenuItem& item : items) {
        if (entryCount_ >= kMenuEntryCapacity) {
            return;
        }
        MenuEntry& record = entries_[static_cast<std::size_t>(entryCount_)];
        record.text = QString::fromUtf16(item.text);
        record.id = item.id;
        if (item.id > 0) {
            record.ordinal = commandCount_++;
        }
        ++entryCount_;
        if (item.id == 0) {
            menu->addSeparator();
        } else if (item.id < 0) {
            QMenu* sub = menu->addMenu(record.text);
            sub->setStyle(menu->style());
            MakeOwnerDrawn(item.children, sub);
        } else {
            QAction* action = menu->addAction(record.text);
            const int id = item.id;
            QObject::connect(action, &QAction::triggered, [this, id] {
                if (handler_) {
                    handler_(id);
                }
            });
        }
    }
}

QSize CQavMenu::MeasureItem(const MenuEntry& entry) {
    const int width = 8 * static_cast<int>(entry.text.size());
    return {width, entry.id == 0 ? 1 : 20};
}

void CQavMenu::DrawItem(QPainter& painter, const QRect& rect, bool selected,
                        const MenuEntry& entry) {
    painter.save();
    if (entry.id == 0) {
        // A three-dimensional frame: top and left red, bottom and right blue.
        const QRect r = rect.adjusted(25, 0, 0, 0);
        painter.setPen(QColor(255, 0, 0));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(QColor(0, 0, 255));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
        painter.restore();
        return;
    }
    if (!selected) {
        painter.fillRect(rect, kRowColour);
    } else {
        // The outline in the default pen and brush, then one gradient line per pixel row inside.
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        const QRect inner = rect.adjusted(1, 1, -1, -1);
        const int height = inner.height();
        if (height > 0) {
            const int stepG = static_cast<int>(255.0 / height);
            for (int y = 0; y < height; ++y) {
                const int green = (stepG * y) & 0xFF;
                painter.fillRect(QRect(inner.left(), inner.top() + y, inner.width(), 1),
                                 QColor(0, green, 255));
            }
        }
    }
    painter.setPen(QColor(255, 255, 255));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(rect.adjusted(10, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entry.text);
    painter.restore();
}

QavMenuStyle::QavMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int QavMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    switch (metric) {
    case PM_MenuPanelWidth:
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuDesktopFrameWidth:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

namespace {
MenuEntry entryOf(const QStyleOptionMenuItem& item) {
    MenuEntry e;
    e.text = item.text;
    e.id = item.menuItemType == QStyleOptionMenuItem::Separator ? 0
           : item.menuItemType == QStyleOptionMenuItem::SubMenu ? -1
                                                                : 1;
    return e;
}
} // namespace

QSize QavMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            const MenuEntry e = entryOf(*item);
            QSize size = CQavMenu::MeasureItem(e);
            if (e.id != 0) {
                size.rwidth() += kMenuCheckAllowance;
            }
            return size;
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void QavMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    if (element == CE_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            const MenuEntry e = entryOf(*item);
            CQavMenu::DrawItem(*painter, item->rect, (item->state & State_Selected) != 0, e);
            if (e.id < 0) {
                // The submenu arrow, in the menu's text colour.
                QStyleOption arrow(*option);
                arrow.rect =
                    QRect(item->rect.right() - 14, item->rect.top(), 12, item->rect.height());
                arrow.palette.setColor(QPalette::ButtonText, Qt::white);
                QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
            }
            return;
        }
    }
    if (element == CE_MenuEmptyArea || element == CE_MenuHMargin || element == CE_MenuVMargin) {
        painter->fillRect(option->rect, kRowColour);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void QavMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelMenu || element == PE_FrameMenu) {
        painter->fillRect(option->rect, kRowColour);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

} // namespace torvex::ui
