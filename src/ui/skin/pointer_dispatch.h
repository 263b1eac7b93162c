// Pointer input on the main window: hit tests over the layout tables, hover tracking, and what a
// press or a release does on each page.
#pragma once

#include "ui/skin/skin_layout.h"
#include "ui/skin/ui_model.h"

#include <QPoint>
#include <span>

namespace torvex::ui {

// The first index 0..last whose entry contains the point, or 255.
int HitTest(QPoint point, std::span<const SkinEntry> table, int last);

enum class MacroCommand {
    Import,          // advanced entry 0
    Export,          // 1
    NewMacro,        // 2
    DeleteMacro,     // 3
    ToggleRecording, // 4
    SaveMacros,      // 5
    ToggleRepeat,    // 6
};

// What the dispatch asks of the window. Settings it changes itself in the model; everything
// that touches files, the mouse, windows or other parts goes through here.
class WindowActions {
public:
    virtual ~WindowActions() = default;
    virtual void repaint() = 0;               // the whole window
    virtual void repaintAdvancedRegion() = 0; // around the macro page's controls
    virtual void paintNow() = 0;
    virtual void moveWindow(QPoint pressPosition) = 0;
    virtual void minimise() = 0;
    virtual void hideToTray() = 0;
    virtual QPoint windowTopLeft() const = 0;

    virtual void saveProfile() = 0;      // main entry 0
    virtual void saveDpiAndHide() = 0;   // entry 2: keep the level, drop unsent edits, hide
    virtual void downloadSettings() = 0; // entry 3
    virtual void loadProfile() = 0;      // entries 4..8, after curConfig changed
    virtual void importConfiguration() = 0;
    virtual void exportConfiguration() = 0;
    virtual void restoreDefaults() = 0;
    virtual void switchLanguage(int language) = 0;
    virtual void openWebSite() = 0;

    // 1 goes on, 2 cancels.
    virtual int showWarning() = 0;
    virtual void openFunctionMenu() = 0;
    virtual void closeFunctionMenu() = 0;

    virtual void createMacroControls() = 0;
    virtual void destroyMacroControls() = 0;
    virtual void refillMacroList() = 0;
    virtual void macroCommand(MacroCommand command) = 0;

    virtual void startLedPreview() = 0;
};

class PointerDispatcher {
public:
    PointerDispatcher(UiModel& model, const SkinLayout& layout, WindowActions& actions)
        : m_(model), layout_(layout), actions_(actions) {}

    void move(QPoint point);
    void press(QPoint point);
    void release(QPoint point);

    // Page changes as the tabs make them.
    void goToPage(int page);

private:
    void pressMain(QPoint point);
    void pressAdvanced(QPoint point);
    void pressColour(QPoint point);
    void openFunctionMenu(int entry);

    UiModel& m_;
    const SkinLayout& layout_;
    WindowActions& actions_;
};

} // namespace torvex::ui
