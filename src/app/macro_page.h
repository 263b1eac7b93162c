// The macro page of the main window: its four controls (they exist only while the page shows),
// the editor and recorder behind them, the event list's context menu and the keyboard capture
// while recording.
#pragma once

#include "macro/macro_editor.h"
#include "macro/macro_recorder.h"
#include "ui/popups/editable_list_box.h"
#include "ui/skin/pointer_dispatch.h"
#include "ui/skin/skin_layout.h"
#include "ui/skin/ui_model.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>

namespace torvex::app {

// What the page needs of the window around it.
struct MacroPageEnvironment {
    QWidget* window = nullptr; // the main window: parent of the controls, owner of the grab
    MacroTables* tables = nullptr;
    ui::UiModel* model = nullptr;                     // its counters mirror the editor's state
    std::function<std::filesystem::path()> macroFile; // the current language's macro file
    std::function<void(const QString&)> message;      // a message box
    std::function<QMenu*()> contextMenu;              // the event list's menu of the language
};

class MacroPage final : public QObject, public MacroPageControls {
    Q_OBJECT
public:
    static constexpr int kRepeatEditId = 10004;
    static constexpr int kNameEditId = 10000;
    static constexpr int kMacroListId = 10001;
    static constexpr int kEventListId = 10002;

    explicit MacroPage(MacroPageEnvironment env);
    ~MacroPage() override;

    void createControls(const ui::SkinLayout& layout, const QFont& font);
    void destroyControls();
    bool controlsPresent() const { return repeatEdit_ != nullptr; }
    QWidget* control(int controlId) const;
    void setControlsFont(const QFont& font);

    // After the start-up load of the macros.
    void startUp() { editor_.selectLastRowOfCurrentMacro(); }
    void refill();
    // Page entries 2 to 6.
    void command(ui::MacroCommand command);
    // A command of the event list's context menu; false when the id is not one of them.
    bool contextCommand(int menuId);
    // A right-button release at `pos` (event list coordinates) while the page shows.
    void rightButtonReleased(QPoint pos);
    // Every exit path: recording stops and the keyboard is given back.
    void stopRecording();

    // Shows the context menu and waits; a test replaces it.
    std::function<void(QMenu& menu, QPoint globalPos)> execMenu;

    MacroEditor& editor() { return editor_; }
    MacroRecorder& recorder() { return recorder_; }
    bool keyboardGrabbed() const { return grabbed_; }
    // What the window last said about the keyboard capture ("" when all is well).
    const QString& captureStatus() const { return captureStatus_; }
    ui::CEditableListBox* eventList() const { return eventList_; }
    QListWidget* macroList() const { return macroList_; }

    // MacroPageControls
    int macroRowCount() const override;
    int macroSelection() const override;
    std::u16string macroRowText(int row) const override;
    void clearMacroRows() override;
    void addMacroRow(std::u16string_view name) override;
    void removeMacroRow(int row) override;
    void selectMacroRow(int row) override;
    void focusMacroList() override;
    std::u16string nameText() const override;
    void setNameText(std::u16string_view text) override;
    int eventRowCount() const override;
    int eventSelection() const override;
    std::optional<std::u16string> eventRowText(int row) const override;
    void clearEventRows() override;
    void addEventRow(std::u16string_view text) override;
    void selectEventRow(int row) override;
    void focusEventList() override;
    std::u16string repeatText() const override;
    void setRepeatText(std::u16string_view text) override;
    void setRepeatEnabled(bool enabled) override;
    void invalidate() override;

protected:
    // The window's message filter: keys while recording, Esc/Enter downs and F10 swallowed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MacroPageControls* shownPage() { return controlsPresent() ? this : nullptr; }
    void toggleRecording();
    bool grabKeyboard();
    void releaseKeyboard();
    void watchWindow();
    void syncModel();

    MacroPageEnvironment env_;
    MacroEditor editor_;
    MacroRecorder recorder_;
    QPointer<QLineEdit> repeatEdit_;
    QPointer<QLineEdit> nameEdit_;
    QPointer<QListWidget> macroList_;
    QPointer<ui::CEditableListBox> eventList_;
    bool grabbed_ = false;
    QString captureStatus_;
    bool menuOpen_ = false;
    int chosenCommand_ = 0;
};

} // namespace torvex::app
