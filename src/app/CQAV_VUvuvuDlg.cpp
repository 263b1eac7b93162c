#include "app/CQAV_VUvuvuDlg.h"

#include "app/app_log.h"
#include "app/macro_page.h"
#include "common/ini_store.h"
#include "device/launcher.h"
#include "macro/macro_file.h"
#include "settings/config_store.h"
#include "settings/function_codes.h"
#include "ui/skin/language.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <thread>

namespace torvex::app {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The maker's web site (entry 19).
constexpr const char* kWebSite = "https://example.com/torvex/";

QIcon applicationIcon(const fs::path& skinDir) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const fs::path file = skinDir / "icons" / ("torvex_" + std::to_string(size) + ".png");
        if (fs::exists(file)) {
            icon.addFile(QString::fromStdString(file.string()), QSize(size, size));
        }
    }
    if (icon.isNull()) {
        // Without the skin's icon the tray still needs something to show.
        QPixmap pixmap(32, 32);
        pixmap.fill(QColor(0, 120, 153));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

CQAV_VUvuvuDlg::CQAV_VUvuvuDlg(DialogEnvironment env)
    : env_(std::move(env)), composer_(env_.paths.skinDir, cache_),
      dispatcher_(model_, layout_, *this) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    const QIcon icon = applicationIcon(env_.paths.skinDir);
    setWindowIcon(icon);
    tray_ = std::make_unique<ui::TrayIcon>(icon);
    connect(tray_.get(), &ui::TrayIcon::doubleClicked, this, [this] { RestoreWindow(); });
    scheduler_ = env_.scheduler ? std::move(env_.scheduler) : ui::makeTimerScheduler();
    animator_ = std::make_unique<ui::LedPreviewAnimator>(
        model_.preview, *scheduler_,
        ui::LedPreviewAnimator::Inputs{[this] { return static_cast<int>(model_.pointer.curPage); },
                                       [this] { return model_.settings.dpiLevel; },
                                       [this] { return static_cast<int>(model_.ledStatusApplied); },
                                       [this] { update(); }});
    model_.macros = &macros_.macroTable;
    macroPage_ = std::make_unique<MacroPage>(MacroPageEnvironment{
        this, &macros_, &model_, [this] { return env_.paths.macroFilePath(model_.language); },
        [this](const QString& text) { message(text); }, [this] { return contextMenu_.popup(); }});
    const auto handler = [this](int id) { onMenuCommand(id); };
    trayMenu_.setCommandHandler(handler);
    contextMenu_.setCommandHandler(handler);
    resize(ui::kFallbackWindowSize);
}

CQAV_VUvuvuDlg::~CQAV_VUvuvuDlg() {
    animator_->stop();
    macroPage_.reset();
    hotplugNotifier_.reset();
    // The button threads call back into this window: stop them before it goes.
    session_.reset();
}

void CQAV_VUvuvuDlg::message(const QString& text) {
    std::fprintf(stderr, "torvex: %s\n", text.toUtf8().constData());
    if (env_.message) {
        env_.message(text);
    }
}

void CQAV_VUvuvuDlg::applyTitle() {
    setWindowTitle(ui::windowTitle(model_.language));
}

bool CQAV_VUvuvuDlg::MainInit() {
    device::ButtonEventHooks hooks;
    hooks.settings = [this] {
        std::lock_guard lock(publishedMutex_);
        return published_;
    };
    hooks.dpiLevelChanged = [this](int level) {
        QMetaObject::invokeMethod(
            this,
            [this, level] {
                model_.settings.dpiLevel = level;
                publishButtonSettings();
                update();
            },
            Qt::QueuedConnection);
    };
    hooks.launch = [](int code) {
        device::launchFirstAvailable(code == kCalculatorCode ? device::calculatorCandidates()
                                                             : device::terminalCandidates());
    };
    session_ = std::make_unique<device::MouseSession>(*env_.backend, macros_, *env_.pointer,
                                                      env_.paths.configPath(), std::move(hooks));
    session_->start();

    const fs::path configPath = env_.paths.configPath();
    model_.curConfig = ReadCurConfig(configPath);
    model_.language = ReadLanguage(configPath);
    LoadConfiguration(configPath, model_.curConfig, false, model_.language, model_.settings);
    publishButtonSettings();
    applyTitle();

    if (!loadLayouts() || ended()) {
        return false;
    }
    shape_ = ui::BuildWindowShape(cache_.load(env_.paths.skinDir / "main_mask.jpg"), layout_);
    if (!shape_.fromMask) {
        std::fprintf(stderr, "torvex: %s is missing or unreadable; the window is rectangular\n",
                     (env_.paths.skinDir / "main_mask.jpg").c_str());
    }
    setFixedSize(shape_.size);
    setMask(shape_.windowRegion);

    loadMacroTables(true);
    if (ended()) {
        return false; // ended while a message was shown
    }
    macroPage_->startUp();
    model_.pointer.functionMenuOpen = false;
    LoadMenus();

    monitor_ = env_.backend->createMonitor();
    if (!session_->findDevice()) {
        message(ui::plugInMessage(model_.language));
        ExitProgram(EndReason::NoMouse);
        return false;
    }
    session_->link().setRemovalHandler([this] {
        // Runs inside the hotplug pump; end once it has returned.
        QMetaObject::invokeMethod(
            this, [this] { ExitProgram(EndReason::MouseRemoved); }, Qt::QueuedConnection);
    });
    if (monitor_) {
        hotplugNotifier_ = std::make_unique<QSocketNotifier>(monitor_->fd(), QSocketNotifier::Read);
        connect(hotplugNotifier_.get(), &QSocketNotifier::activated, this, [this] {
            if (session_ && monitor_) {
                session_->link().pumpHotplug(*monitor_);
            }
        });
    }
    std::this_thread::sleep_for(5ms);
    DownloadSettings();
    AddTrayIcon();
    // Resume from standby. The sender is not named, so that the notice is also seen from a test
    // bus where nothing owns logind's name.
    if (env_.watchResume) {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (bus.isConnected()) {
            bus.connect(QString(), QStringLiteral("/org/freedesktop/login1"),
                        QStringLiteral("org.freedesktop.login1.Manager"),
                        QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
        } else {
            qCInfo(app::lcTorvex) << "no system bus: the settings are not resent after standby";
        }
    }
    initialised_ = true;
    if (restorePending_) {
        RestoreWindow();
    }
    return true;
}

void CQAV_VUvuvuDlg::onPrepareForSleep(bool sleeping) {
    if (!sleeping && !ended()) {
        DownloadSettings();
    }
}

bool CQAV_VUvuvuDlg::loadLayouts() {
    bool missing = false;
    ui::LayoutReporter reporter;
    reporter.missingFile = [&missing](const fs::path& file) {
        std::fprintf(stderr, "torvex: layout file not found: %s\n", file.c_str());
        missing = true;
    };
    reporter.malformedValue = [this](const fs::path&, const std::string&, int) {
        message(QString::fromUtf8(ui::kMalformedLayoutMessage));
    };
    const fs::path& dir = env_.paths.skinDir;
    using Loader = bool (*)(const fs::path&, int, ui::SkinLayout&, const ui::LayoutReporter&);
    for (Loader load : {Loader(ui::LoadMainLayout), Loader(ui::LoadColorLayout),
                        Loader(ui::LoadAdvancedLayout), Loader(ui::LoadWarningLayout)}) {
        load(dir, model_.language, layout_, reporter);
        if (missing) {
            message(QString::fromUtf8(ui::kMissingLayoutMessage));
            ExitProgram(EndReason::MissingLayout);
            return false;
        }
    }
    return true;
}

void CQAV_VUvuvuDlg::reportMacroFileProblem(const fs::path& file, const std::string& problem) {
    // A folder or an unreadable file at the path is not "not found": name the real trouble, so
    // that the user does not go looking for a file that is there.
    if (!problem.empty()) {
        message(QString::fromStdString(problem)); // also goes to standard error
        return;
    }
    std::fprintf(stderr, "torvex: macro file not found: %s\n", file.c_str());
    message(QString::fromUtf8(ui::kMissingLayoutMessage));
}

void CQAV_VUvuvuDlg::loadMacroTables(bool fixedToo) {
    // A file that cannot be read leaves its table empty, as a missing one does.
    MacroTable user(MacroTableKind::User);
    LoadMacroFile(env_.paths.macroFilePath(model_.language), user, macroFileProblemHandler());
    MacroTable fixed(MacroTableKind::Fixed);
    if (fixedToo) {
        LoadMacroFile(env_.paths.constMacroPath(), fixed, macroFileProblemHandler());
    }
    std::lock_guard lock(macros_.mutex);
    macros_.macroTable = user;
    if (fixedToo) {
        macros_.constMacroTable = fixed;
    }
}

void CQAV_VUvuvuDlg::LoadMenus() {
    contextMenu_.load(ui::contextMenuResource(model_.language));
    trayMenu_.load(ui::trayMenuResource(model_.language));
    tray_->setMenu(trayMenu_.popup());
}

void CQAV_VUvuvuDlg::publishButtonSettings() {
    std::lock_guard lock(publishedMutex_);
    published_.buttonFunction = model_.settings.buttonFunction;
    published_.macroMode = model_.settings.macroMode;
    published_.curConfig = model_.curConfig;
}

void CQAV_VUvuvuDlg::DownloadSettings() {
    if (!session_ || ended()) {
        return;
    }
    const auto result = session_->download(model_.settings, model_.curConfig, [this] { update(); });
    model_.dpiCode = result.state.dpiCode;
    model_.ledStatusApplied = result.state.ledStatusApplied;
    if (!result.saved) {
        std::fprintf(stderr, "torvex: the settings were sent but not saved: %s\n",
                     result.error.c_str());
    }
    publishButtonSettings();
}

void CQAV_VUvuvuDlg::AddTrayIcon() {
    tray_->add(ui::windowTitle(model_.language), trayMenu_.popup());
}

void CQAV_VUvuvuDlg::RemoveTrayIcon() {
    tray_->remove();
}

void CQAV_VUvuvuDlg::HideToTray() {
    AddTrayIcon();
    if (!trayAvailable()) {
        // A desktop without a notification area would leave a hidden window out of reach:
        // minimise it instead, so the taskbar still brings it back.
        qCInfo(app::lcTorvex) << "no notification area: the window is minimised, not hidden";
        showMinimized();
        return;
    }
    hide();
    animator_->stop(); // a hidden window does no work for the preview
}

bool CQAV_VUvuvuDlg::trayAvailable() const {
    return env_.trayAvailable ? env_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void CQAV_VUvuvuDlg::RestoreWindow() {
    // A second start during start-up (e.g. while the plug-in message waits) shows nothing
    // early; the window comes when start-up has succeeded.
    if (!initialised_) {
        restorePending_ = true;
        return;
    }
    if (ended()) {
        return;
    }
    showNormal();
    raise();
    activateWindow();
    startLedPreview();
}

void CQAV_VUvuvuDlg::ExitProgram(EndReason reason) {
    if (ended()) {
        return;
    }
    endReason_ = reason;
    animator_->stop();
    macroPage_->stopRecording();
    RemoveTrayIcon();
    hotplugNotifier_.reset();
    if (session_) {
        session_->exitPath();
    }
    hide();
    const bool normal = reason == EndReason::Exit || reason == EndReason::MouseRemoved;
    emit programEnded(normal ? 0 : 1);
}

void CQAV_VUvuvuDlg::onMenuCommand(int id) {
    switch (id) {
    case ui::kCmdShowWindowEn:
    case ui::kCmdShowWindowCn:
        RestoreWindow();
        break;
    case ui::kCmdExitEn:
    case ui::kCmdExitCn:
        ExitProgram(EndReason::Exit);
        break;
    default:
        // The event list's context menu.
        macroPage_->contextCommand(id);
        break;
    }
}

void CQAV_VUvuvuDlg::SwitchLanguage(int language) {
    model_.language = language == 0 ? 0 : 1;
    std::string error;
    if (!WriteLanguage(env_.paths.configPath(), model_.language, &error)) {
        std::fprintf(stderr, "torvex: cannot save the language: %s\n", error.c_str());
    }
    // Keys recorded so far belong to the table the switch discards.
    macroPage_->stopRecording();
    composer_.setSkinDir(env_.paths.skinDir);
    if (!loadLayouts()) {
        return;
    }
    loadMacroTables(false);
    if (model_.pointer.curPage == ui::kAdvancedPage) {
        refillMacroList();
    }
    update();
    LoadMenus();
    applyTitle();
    macroPage_->setControlsFont(ui::captionFont(model_.language));
}

QImage CQAV_VUvuvuDlg::composeFrame() {
    return composer_.compose(model_, layout_, shape_.size);
}

void CQAV_VUvuvuDlg::paintEvent(QPaintEvent*) {
    if (hooks_.beforePaint) {
        hooks_.beforePaint();
    }
    // Every edit of the model shows on screen at once, so what is painted is what the button
    // threads act on, a choice in the function menu included.
    publishButtonSettings();
    pendingPaint_ = QRegion(); // whatever was asked for is painted now or by a paint to come
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), composeFrame());
    if (!firstFramePainted_) {
        firstFramePainted_ = true;
        if (qEnvironmentVariableIsSet("TORVEX_EXIT_AFTER_FIRST_FRAME")) {
            // For the start-up benchmark: the first frame is on the screen.
            std::fprintf(stderr, "torvex: first frame\n");
            std::fflush(stderr);
            QMetaObject::invokeMethod(
                this, [this] { ExitProgram(EndReason::Exit); }, Qt::QueuedConnection);
        }
    }
}

void CQAV_VUvuvuDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    dispatcher_.move(event->position().toPoint());
}

void CQAV_VUvuvuDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    dispatcher_.press(event->position().toPoint());
    publishButtonSettings();
}

void CQAV_VUvuvuDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    dispatcher_.release(event->position().toPoint());
    publishButtonSettings();
}

void CQAV_VUvuvuDlg::closeEvent(QCloseEvent* event) {
    if (ended()) {
        event->accept();
        return;
    }
    event->ignore();
    HideToTray();
}

void CQAV_VUvuvuDlg::contextMenuEvent(QContextMenuEvent* event) {
    // The window's system menu with the about entry, on the skin itself; the macro page's
    // controls have menus of their own.
    if (childAt(event->pos()) != nullptr) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    menu.addSeparator();
    QAction* about = menu.addAction(QStringLiteral("&About QAV_VUvuvu..."));
    if (menu.exec(event->globalPos()) == about) {
        showAbout();
    }
}

void CQAV_VUvuvuDlg::showAbout() {
    QMessageBox::about(this, QStringLiteral("About torvex"),
                       QStringLiteral("torvex %1\nConfiguration program for the TORVEX V3 gaming "
                                      "mouse.")
                           .arg(QStringLiteral(TORVEX_VERSION)));
}

void CQAV_VUvuvuDlg::repaint() {
    update();
    pendingPaint_ = rect();
}

void CQAV_VUvuvuDlg::repaintAdvancedRegion() {
    update(shape_.advancedPaintRegion);
    pendingPaint_ += shape_.advancedPaintRegion;
}

void CQAV_VUvuvuDlg::paintNow() {
    // Only what was asked for: the macro page's region leaves out its list and edit controls,
    // which would otherwise repaint on every hover.
    const QRegion region = pendingPaint_.isEmpty() ? QRegion(rect()) : pendingPaint_;
    pendingPaint_ = QRegion();
    if (isVisible()) {
        QWidget::repaint(region);
    }
}

void CQAV_VUvuvuDlg::moveWindow(QPoint pressPosition) {
    ++moveRequests_;
    QWindow* w = windowHandle();
    if (w != nullptr && w->startSystemMove()) {
        return;
    }
    // Without a window manager that moves windows for us, follow the pointer ourselves until
    // the button is released.
    dragging_ = true;
    dragOffset_ = pressPosition;
}

void CQAV_VUvuvuDlg::minimise() {
    showMinimized();
}

QPoint CQAV_VUvuvuDlg::windowTopLeft() const {
    return geometry().topLeft();
}

void CQAV_VUvuvuDlg::saveProfile() {
    // Only the five profiles are saved; a number read from the file outside 1..5 would name a
    // section that is not a profile (6 is the applied copy, 7 the exchange section).
    if (model_.curConfig < 1 || model_.curConfig > kProfileCount) {
        qCWarning(app::lcTorvex) << "profile" << model_.curConfig
                                 << "is not one of 1 to 5: the settings are not saved";
        return;
    }
    std::string error;
    if (!SaveConfiguration(env_.paths.configPath(), model_.curConfig, model_.settings, &error)) {
        std::fprintf(stderr, "torvex: cannot save the profile: %s\n", error.c_str());
    }
}

void CQAV_VUvuvuDlg::saveDpiAndHide() {
    const fs::path configPath = env_.paths.configPath();
    SaveDpiLevel(configPath, kAppliedConfigNumber, model_.settings.dpiLevel);
    LoadConfiguration(configPath, kAppliedConfigNumber, false, model_.language, model_.settings);
    publishButtonSettings();
    HideToTray();
}

void CQAV_VUvuvuDlg::loadProfile() {
    LoadConfiguration(env_.paths.configPath(), model_.curConfig, false, model_.language,
                      model_.settings);
    publishButtonSettings();
}

namespace {

QString askOpen(QWidget* parent, const fs::path& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, {}, QString::fromStdString(folder.string()),
                                        filter);
}

// A save dialog with a default suffix; it asks before overwriting.
QString askSave(QWidget* parent, const fs::path& folder, const QString& filter,
                const QString& suffix) {
    QFileDialog dialog(parent, {}, QString::fromStdString(folder.string()), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

const QString kConfigFilter = QStringLiteral("All Files(*.ini) (*.ini)");
const QString kMacroFilter = QStringLiteral("All Files(*.dat) (*.dat)");

} // namespace

void CQAV_VUvuvuDlg::importConfiguration() {
    const QString file = askOpen(this, env_.paths.appDir, kConfigFilter);
    if (!file.isEmpty()) {
        importConfigurationFrom(file.toStdString());
    }
}

bool CQAV_VUvuvuDlg::importConfigurationFrom(const fs::path& file) {
    // A file without the exchange section would import as all zeros: no left click on any
    // button once applied. Such a file is refused and the settings stay as they are.
    const std::string section = configSectionName(kExchangeConfigNumber, false, 0);
    bool anyKey = false;
    for (const auto& [key, value] : configurationEntries(MouseSettings{})) {
        anyKey = anyKey || !ini::readString(file, section, key, 16).empty();
    }
    if (!anyKey) {
        std::fprintf(stderr, "torvex: %s has no [%s] section; nothing imported\n", file.c_str(),
                     section.c_str());
        return false;
    }
    ImportConfiguration(file, model_.settings);
    publishButtonSettings();
    update();
    return true;
}

void CQAV_VUvuvuDlg::exportConfiguration() {
    const QString file = askSave(this, env_.paths.appDir, kConfigFilter, QStringLiteral("ini"));
    std::string error;
    if (!file.isEmpty() && !ExportConfiguration(file.toStdString(), model_.settings, &error)) {
        std::fprintf(stderr, "torvex: cannot export: %s\n", error.c_str());
    }
}

bool CQAV_VUvuvuDlg::importMacrosFrom(const fs::path& file) {
    // An unreadable file would import as no macros at all: refused like a missing one.
    MacroTable table(MacroTableKind::User);
    if (!LoadMacroFile(file, table, macroFileProblemHandler()).fileFound) {
        return false;
    }
    {
        std::lock_guard lock(macros_.mutex);
        macros_.macroTable = table;
    }
    refillMacroList();
    update();
    return true;
}

bool CQAV_VUvuvuDlg::exportMacrosTo(const fs::path& file) {
    std::string error;
    if (!SaveMacroFile(file, macros_.macroTable, &error)) {
        std::fprintf(stderr, "torvex: cannot export the macros: %s\n", error.c_str());
        return false;
    }
    return true;
}

void CQAV_VUvuvuDlg::restoreDefaults() {
    const fs::path configPath = env_.paths.configPath();
    std::string error;
    if (!RestoreFactorySettings(configPath, model_.curConfig, model_.language, model_.settings,
                                &error)) {
        std::fprintf(stderr, "torvex: cannot restore the factory profiles: %s\n", error.c_str());
    }
    // A missing or unreadable factory file leaves the user's macros as they are.
    MacroTable table = macros_.macroTable;
    const auto restored = RestoreFactoryMacros(env_.paths.defMacroPath(model_.language),
                                               env_.paths.macroFilePath(model_.language), table,
                                               macroFileProblemHandler(), &error);
    if (restored == FactoryMacroRestore::SaveFailed) {
        std::fprintf(stderr, "torvex: cannot save the factory macros: %s\n", error.c_str());
    }
    if (restored != FactoryMacroRestore::FactoryFileMissing) {
        std::lock_guard lock(macros_.mutex);
        macros_.macroTable = table;
    }
    if (model_.pointer.curPage == ui::kAdvancedPage) {
        refillMacroList();
        update();
    }
    publishButtonSettings();
    DownloadSettings();
}

void CQAV_VUvuvuDlg::openWebSite() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebSite)));
}

int CQAV_VUvuvuDlg::showWarning() {
    return hooks_.showWarning ? hooks_.showWarning() : 1;
}

void CQAV_VUvuvuDlg::openFunctionMenu() {
    if (hooks_.openFunctionMenu) {
        hooks_.openFunctionMenu();
    }
}

void CQAV_VUvuvuDlg::closeFunctionMenu() {
    if (hooks_.closeFunctionMenu) {
        hooks_.closeFunctionMenu();
    }
}

void CQAV_VUvuvuDlg::createMacroControls() {
    macroPage_->createControls(layout_, ui::captionFont(model_.language));
}

void CQAV_VUvuvuDlg::destroyMacroControls() {
    macroPage_->destroyControls();
}

bool CQAV_VUvuvuDlg::macroControlsPresent() const {
    return macroPage_->controlsPresent();
}

QWidget* CQAV_VUvuvuDlg::macroControl(int controlId) const {
    return macroPage_->control(controlId);
}

void CQAV_VUvuvuDlg::refillMacroList() {
    if (hooks_.refillMacroList) {
        hooks_.refillMacroList();
        return;
    }
    macroPage_->refill();
}

void CQAV_VUvuvuDlg::macroCommand(ui::MacroCommand command) {
    if (command == ui::MacroCommand::Import) {
        const QString file = askOpen(this, env_.paths.appDir, kMacroFilter);
        if (!file.isEmpty()) {
            importMacrosFrom(file.toStdString());
        }
    } else if (command == ui::MacroCommand::Export) {
        const QString file = askSave(this, env_.paths.appDir, kMacroFilter, QStringLiteral("dat"));
        if (!file.isEmpty()) {
            exportMacrosTo(file.toStdString());
        }
    } else if (hooks_.macroCommand) {
        hooks_.macroCommand(command);
    } else {
        macroPage_->command(command);
    }
}

void CQAV_VUvuvuDlg::startLedPreview() {
    // Only a window the user can see runs the preview, and only on its page.
    if (isVisible() && !isMinimized() && model_.pointer.curPage == ui::kColourPage) {
        animator_->start();
    }
}

void CQAV_VUvuvuDlg::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !animator_ || ended()) {
        return;
    }
    // A minimised window does no work for the preview either; brought back from the taskbar
    // (not through RestoreWindow), it starts again.
    if (isMinimized()) {
        animator_->stop();
    } else {
        startLedPreview();
    }
}

} // namespace torvex::app
