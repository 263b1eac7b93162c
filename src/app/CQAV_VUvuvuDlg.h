// The main window: a frameless, shaped, skinned top-level window that shows the three pages,
// takes the pointer input, hides to the tray and ends the program through ExitProgram.
#pragma once

#include "common/paths.h"
#include "device/mouse_session.h"
#include "macro/macro_file.h"
#include "macro/macro_record.h"
#include "ui/popups/qav_menu.h"
#include "ui/popups/tray_icon.h"
#include "ui/skin/dpi_colour.h"
#include "ui/skin/page_composer.h"
#include "ui/skin/pointer_dispatch.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"
#include "ui/skin/ui_model.h"

#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace torvex::app {

class MacroPage;

// What the window runs on, given by the application (or by a test).
struct DialogEnvironment {
    AppPaths paths;
    device::HidBackend* backend = nullptr;      // not owned
    device::PointerSettings* pointer = nullptr; // not owned
    // Shows a message box with the application name as caption and one OK button, and waits.
    std::function<void(const QString& text)> message;
    // Runs the colour preview; null gives a timer of the event loop.
    std::unique_ptr<ui::AnimatorScheduler> scheduler;
    // Whether the desktop shows tray icons; null asks Qt.
    std::function<bool()> trayAvailable;
    // Listen on the system bus for the resume from standby.
    bool watchResume = true;
};

// Hooks for the popup windows that are built separately (function menu, warning window, the
// macro page's commands other than import and export). Unset hooks do nothing; an unset warning
// answers "go on".
struct PopupHooks {
    std::function<int()> showWarning;
    std::function<void()> openFunctionMenu;
    std::function<void()> closeFunctionMenu;
    std::function<void(ui::MacroCommand)> macroCommand;
    std::function<void()> refillMacroList;
    // Runs first in every paint (the submenu's choice closes the function menu there).
    std::function<void()> beforePaint;
};

// How the program ended.
enum class EndReason { None, Exit, NoMouse, MissingLayout, MouseRemoved };

class CQAV_VUvuvuDlg : public QWidget, private ui::WindowActions {
    Q_OBJECT
public:
    explicit CQAV_VUvuvuDlg(DialogEnvironment env);
    ~CQAV_VUvuvuDlg() override;

    // The start-up sequence. False when the program ended during it (no mouse, missing layout
    // file); the window has then run the exit steps.
    bool MainInit();

    void HideToTray();
    bool trayAvailable() const;
    void RestoreWindow();
    void ExitProgram(EndReason reason = EndReason::Exit);
    void SwitchLanguage(int language);
    void AddTrayIcon();
    void RemoveTrayIcon();
    // A menu command of either language's tray menu.
    void onMenuCommand(int id);
    // The full settings download (Apply, resume from standby).
    void DownloadSettings();
    // What the file dialogs of the import and export entries lead to; false when nothing was
    // taken or written.
    bool importConfigurationFrom(const std::filesystem::path& file);
    bool importMacrosFrom(const std::filesystem::path& file);
    bool exportMacrosTo(const std::filesystem::path& file);

    bool ended() const { return endReason_ != EndReason::None; }
    EndReason endReason() const { return endReason_; }
    const ui::UiModel& model() const { return model_; }
    ui::UiModel& model() { return model_; }
    const ui::SkinLayout& layout() const { return layout_; }
    const ui::WindowShape& shape() const { return shape_; }
    MacroTables& macros() { return macros_; }
    ui::TrayIcon& trayIcon() { return *tray_; }
    ui::CQavMenu& trayMenu() { return trayMenu_; }
    ui::CQavMenu& contextMenu() { return contextMenu_; }
    ui::ImageCache& imageCache() { return cache_; }
    ui::LedPreviewAnimator& animator() { return *animator_; }
    device::MouseSession* session() { return session_.get(); }
    PopupHooks& popupHooks() { return hooks_; }
    // The frame a paint shows now.
    QImage composeFrame();
    int moveRequests() const { return moveRequests_; }
    bool macroControlsPresent() const;
    QWidget* macroControl(int controlId) const;
    MacroPage& macroPage() { return *macroPage_; }

public slots:
    // logind's notice around standby; waking up (false) sends the whole configuration again.
    void onPrepareForSleep(bool sleeping);

signals:
    // The program ends: the application leaves its event loop with this status.
    void programEnded(int status);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // WindowActions
    void repaint() override;
    void repaintAdvancedRegion() override;
    void paintNow() override;
    void moveWindow(QPoint pressPosition) override;
    void minimise() override;
    void hideToTray() override { HideToTray(); }
    QPoint windowTopLeft() const override;
    void saveProfile() override;
    void saveDpiAndHide() override;
    void downloadSettings() override { DownloadSettings(); }
    void loadProfile() override;
    void importConfiguration() override;
    void exportConfiguration() override;
    void restoreDefaults() override;
    void switchLanguage(int language) override { SwitchLanguage(language); }
    void openWebSite() override;
    int showWarning() override;
    void openFunctionMenu() override;
    void closeFunctionMenu() override;
    void createMacroControls() override;
    void destroyMacroControls() override;
    void refillMacroList() override;
    void macroCommand(ui::MacroCommand command) override;
    void startLedPreview() override;

    bool loadLayouts();
    void loadMacroTables(bool fixedToo);
    // Tells the user why a macro file could not be loaded (missing, a folder, unreadable).
    void reportMacroFileProblem(const std::filesystem::path& file, const std::string& problem);
    MacroFileProblemHandler macroFileProblemHandler() {
        return [this](const std::filesystem::path& file, const std::string& problem) {
            reportMacroFileProblem(file, problem);
        };
    }
    void LoadMenus();
    void publishButtonSettings();
    void applyTitle();
    void showAbout();
    void message(const QString& text);

    DialogEnvironment env_;
    PopupHooks hooks_;
    ui::UiModel model_;
    ui::SkinLayout layout_;
    ui::WindowShape shape_;
    ui::ImageCache cache_;
    ui::PageComposer composer_;
    ui::PointerDispatcher dispatcher_;
    MacroTables macros_;
    ui::CQavMenu contextMenu_;
    ui::CQavMenu trayMenu_;
    std::unique_ptr<ui::TrayIcon> tray_;
    std::unique_ptr<ui::AnimatorScheduler> scheduler_;
    std::unique_ptr<ui::LedPreviewAnimator> animator_;

    // What the button threads read of the model, copied after every change on this thread.
    std::mutex publishedMutex_;
    device::ButtonSettings published_;

    std::unique_ptr<device::HotplugMonitor> monitor_;
    std::unique_ptr<QSocketNotifier> hotplugNotifier_;
    std::unique_ptr<device::MouseSession> session_;

    std::unique_ptr<MacroPage> macroPage_;

    EndReason endReason_ = EndReason::None;
    bool dragging_ = false; // moving the window by hand (no system move available)
    QPoint dragOffset_;
    bool initialised_ = false;    // MainInit has succeeded
    bool restorePending_ = false; // a second start asked for the window during start-up
    bool firstFramePainted_ = false;
    QRegion pendingPaint_; // asked for by the pointer dispatcher, painted by paintNow
    int moveRequests_ = 0;
};

} // namespace torvex::app
