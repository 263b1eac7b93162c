// The program's two owner-drawn popup menus (the event list's context menu and the tray menu):
// the menus as tables in code, copied item by item into a fixed table of records, and drawn by
// the program: teal rows with white text, a framed blue-to-cyan gradient under the highlight.
#pragma once

#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <span>

namespace torvex::ui {

// One item of a menu description: a command (id > 0), a separator (id 0) or a submenu (id -1).
struct MenuItem {
    const char16_t* text;
    int id;
    std::span<const MenuItem> children;
};

enum class MenuResource {
    ContextEnglish = 154,
    TrayEnglish = 157,
    ContextChinese = 161,
    TrayChinese = 162,
};

// The whole menu of a resource: one top-level popup whose own name is never shown.
const MenuItem& menuResource(MenuResource which);
MenuResource contextMenuResource(int language);
MenuResource trayMenuResource(int language);

// Tray commands, both languages.
inline constexpr int kCmdShowWindowEn = 32801;
inline constexpr int kCmdShowWindowCn = 32837;
inline constexpr int kCmdExitEn = 32800;
inline constexpr int kCmdExitCn = 32838;

struct MenuEntry {
    QString text;
    int ordinal = 0;
    int id = 0; // command id, -1 for a submenu item, 0 for a separator
};

inline constexpr int kMenuEntryCapacity = 30;

class CQavMenu {
public:
    CQavMenu();
    ~CQavMenu();
    CQavMenu(const CQavMenu&) = delete;
    CQavMenu& operator=(const CQavMenu&) = delete;

    // Builds the menu of a resource (the previous menu is dropped), entryCount = 0, then
    // MakeOwnerDrawn over the whole menu.
    void load(MenuResource which);
    void load(const MenuItem& resource);

    // The popup that is shown: the contents of the top-level popup. Null before load().
    QMenu* popup() const { return popup_; }

    const std::array<MenuEntry, kMenuEntryCapacity>& entries() const { return entries_; }
    int entryCount() const { return entryCount_; }
    int commandCount() const { return commandCount_; }

    // The item size of a record: 8 px per character (trailing spaces count) by 20 px; a
    // separator is 1 px high.
    static QSize MeasureItem(const MenuEntry& entry);
    static void DrawItem(QPainter& painter, const QRect& rect, bool selected,
                         const MenuEntry& entry);

    // Called with the command id of a chosen item.
    void setCommandHandler(std::function<void(int id)> handler) { handler_ = std::move(handler); }

private:
    // Copies `items` (depth first) into the table and into `menu`. Items beyond the
    // table's capacity are left out rather than written past it.
    void MakeOwnerDrawn(std::span<const MenuItem> items, QMenu* menu);

    std::array<MenuEntry, kMenuEntryCapacity> entries_{};
    int entryCount_ = 0;
    int commandCount_ = 0;
    std::unique_ptr<QProxyStyle> style_;
    std::unique_ptr<QMenu> root_;
    QMenu* popup_ = nullptr;
    std::function<void(int)> handler_;
};

// Besides the measured width, a menu lays out each item with room for a check mark, as desktop
// menus do for owner-drawn items; without it the measured width (8 px per character, text from
// x + 10) would cut most texts short in the usual menu fonts.
inline constexpr int kMenuCheckAllowance = 14;

// Draws every menu item of the program's menus through CQavMenu's measure and draw rules. The
// record of an item travels as the item's text, which is the record's text unchanged.
class QavMenuStyle final : public QProxyStyle {
public:
    QavMenuStyle();
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace torvex::ui
