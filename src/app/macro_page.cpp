#include "app/macro_page.h"

#include "macro/evdev_keys.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWindow>
#include <cstdio>
#include <utility>

namespace torvex::app {

namespace {

QString toQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::u16string toU16(const QString& text) {
    return text.toStdU16String();
}

constexpr int kVkMenu = 0x12;
constexpr int kVkLeftMenu = 0xA4;
constexpr int kVkRightMenu = 0xA5;

bool isAltKey(int vk) {
    return vk == kVkMenu || vk == kVkLeftMenu || vk == kVkRightMenu;
}

// The Windows virtual key of the few keys the message filter looks at when not recording.
int filterKeyOf(const QKeyEvent& key) {
    if (auto vk = x11KeycodeToVirtualKey(static_cast<int>(key.nativeScanCode()))) {
        return *vk;
    }
    switch (key.key()) {
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_F10:
        return 0x79;
    default:
        return 0;
    }
}

// Stands in for the controls when recording must stop while the page is not showing (exit,
// language switch): stopping needs nothing of the lists, only that recording was possible.
class OffPage final : public MacroPageControls {
public:
    int macroRowCount() const override { return 1; }
    int macroSelection() const override { return -1; }
    std::u16string macroRowText(int) const override { return {}; }
    void clearMacroRows() override {}
    void addMacroRow(std::u16string_view) override {}
    void removeMacroRow(int) override {}
    void selectMacroRow(int) override {}
    void focusMacroList() override {}
    std::u16string nameText() const override { return {}; }
    void setNameText(std::u16string_view) override {}
    int eventRowCount() const override { return 0; }
    int eventSelection() const override { return -1; }
    std::optional<std::u16string> eventRowText(int) const override { return std::nullopt; }
    void clearEventRows() override {}
    void addEventRow(std::u16string_view) override {}
    void selectEventRow(int) override {}
    void focusEventList() override {}
    std::u16string repeatText() const override { return {}; }
    void setRepeatText(std::u16string_view) override {}
    void setRepeatEnabled(bool) override {}
    void invalidate() override {}
};

} // namespace

MacroPage::MacroPage(MacroPageEnvironment env)
    : env_(std::move(env)), editor_(*env_.tables), recorder_(editor_) {
    execMenu = [](QMenu& menu, QPoint globalPos) { menu.exec(globalPos); };
    // The window's native side may come later; watch it as soon as it exists.
    env_.window->installEventFilter(this);
    watchWindow();
}

MacroPage::~MacroPage() {
    releaseKeyboard();
    destroyControls();
}

void MacroPage::watchWindow() {
    // Keys reach the window before any of its widgets; the filter sits on the window itself.
    if (QWindow* handle = env_.window->windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
    }
}

void MacroPage::createControls(const ui::SkinLayout& layout, const QFont& font) {
    destroyControls();
    watchWindow();
    // The scroll bars are drawn by the style sheet in full (a plain bar, no arrow buttons). Left
    // to the platform style, they are cached as pictures keyed by each new control's own
    // palette, so every visit of the page would leave a set behind in the pixmap cache.
    const QString look = QStringLiteral(
        "* { background: black; color: white; }"
        "QScrollBar { background: #151518; }"
        "QScrollBar:vertical { width: 14px; }"
        "QScrollBar:horizontal { height: 14px; }"
        "QScrollBar::handle { background: #4a4a52; border-radius: 3px; margin: 3px; }"
        "QScrollBar::handle:hover, QScrollBar::handle:pressed { background: #ff2a44; }"
        "QScrollBar::handle:vertical { min-height: 24px; }"
        "QScrollBar::handle:horizontal { min-width: 24px; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: #151518; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none;"
        " background: #151518; }");
    const auto place = [&](QWidget* w, const QRect& r, int id) {
        w->setGeometry(r);
        w->setFont(font);
        w->setStyleSheet(look);
        w->setObjectName(QString::number(id));
        w->show();
    };
    repeatEdit_ = new QLineEdit(env_.window);
    repeatEdit_->setAlignment(Qt::AlignCenter);
    place(repeatEdit_, layout.repeatEditRect, kRepeatEditId);
    nameEdit_ = new QLineEdit(env_.window);
    nameEdit_->setAlignment(Qt::AlignCenter);
    place(nameEdit_, layout.macroNameEditRect, kNameEditId);
    macroList_ = new QListWidget(env_.window);
    macroList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    macroList_->setSelectionMode(QAbstractItemView::SingleSelection);
    place(macroList_, layout.macroListRect, kMacroListId);
    eventList_ = new ui::CEditableListBox(env_.window);
    eventList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    eventList_->setContextMenuPolicy(Qt::PreventContextMenu);
    place(eventList_, layout.eventListRect, kEventListId);

    // Only the user's own selection change selects a macro; the page's changes block signals.
    connect(macroList_, &QListWidget::currentRowChanged, this,
            [this](int) { editor_.selectMacro(*this); });
    connect(eventList_, &ui::CEditableListBox::editEnded, this, [this] {
        if (controlsPresent()) {
            editor_.storeEditedDelay(*this);
        }
    });
    eventList_->viewport()->installEventFilter(this);
    syncModel();
}

void MacroPage::destroyControls() {
    if (eventList_) {
        // An edit still open is dropped with its list; its end is not stored.
        eventList_->disconnect(this);
        eventList_->viewport()->removeEventFilter(this);
    }
    delete eventList_.data();
    delete repeatEdit_.data();
    delete nameEdit_.data();
    delete macroList_.data();
}

QWidget* MacroPage::control(int controlId) const {
    switch (controlId) {
    case kRepeatEditId:
        return repeatEdit_;
    case kNameEditId:
        return nameEdit_;
    case kMacroListId:
        return macroList_;
    case kEventListId:
        return eventList_;
    default:
        return nullptr;
    }
}

void MacroPage::setControlsFont(const QFont& font) {
    for (QWidget* w : {control(kRepeatEditId), control(kNameEditId), control(kMacroListId),
                       control(kEventListId)}) {
        if (w != nullptr) {
            w->setFont(font);
        }
    }
}

void MacroPage::refill() {
    if (controlsPresent()) {
        editor_.refillMacroList(*this);
    }
    syncModel();
}

void MacroPage::command(ui::MacroCommand command) {
    if (command == ui::MacroCommand::ToggleRecording) {
        toggleRecording();
        return;
    }
    if (!controlsPresent()) {
        return;
    }
    switch (command) {
    case ui::MacroCommand::NewMacro:
        editor_.newMacro(*this);
        break;
    case ui::MacroCommand::DeleteMacro:
        editor_.deleteMacro(*this);
        break;
    case ui::MacroCommand::SaveMacros: {
        const auto result = editor_.saveMacros(*this, env_.macroFile());
        if (!result.saved) {
            std::fprintf(stderr, "torvex: cannot save the macros: %s\n", result.error.c_str());
        }
        break;
    }
    case ui::MacroCommand::ToggleRepeat:
        editor_.toggleRepeat(*this);
        break;
    default:
        break;
    }
    syncModel();
}

void MacroPage::rightButtonReleased(QPoint pos) {
    if (!controlsPresent() || recorder_.recording()) {
        return;
    }
    const int itemHeight = eventList_->count() > 0
                               ? eventList_->visualItemRect(eventList_->item(0)).height()
                               : eventList_->fontMetrics().height();
    const int row =
        MacroEditor::eventRowAt(eventList_->verticalScrollBar()->value(), itemHeight, pos.y(), 0);
    const bool inside = eventList_->viewport()->rect().contains(pos);
    QMenu* menu = env_.contextMenu ? env_.contextMenu() : nullptr;
    if (editor_.rightButtonReleased(*this, row, inside) && menu != nullptr) {
        menuOpen_ = true;
        chosenCommand_ = 0;
        execMenu(*menu, eventList_->viewport()->mapToGlobal(pos));
        menuOpen_ = false;
    }
    const int chosen = std::exchange(chosenCommand_, 0);
    if (!controlsPresent()) {
        return; // the page went while the menu was open
    }
    editor_.contextMenuClosed(*this);
    if (chosen != 0) {
        contextCommand(chosen);
    }
    syncModel();
}

bool MacroPage::contextCommand(int menuId) {
    if (!eventMenuCommand(menuId)) {
        return false;
    }
    if (menuOpen_) {
        chosenCommand_ = menuId; // carried out once the menu has closed
        return true;
    }
    if (!controlsPresent()) {
        return true;
    }
    switch (editor_.menuCommand(*this, menuId)) {
    case MenuOutcome::Overflow:
        if (env_.message) {
            env_.message(QString::fromUtf8(kOverflowMessage.data(),
                                           static_cast<qsizetype>(kOverflowMessage.size())));
        }
        break;
    case MenuOutcome::BeginDelayEdit:
        eventList_->characterMessage(ui::CEditableListBox::kEditRequest);
        break;
    default:
        break;
    }
    syncModel();
    return true;
}

void MacroPage::toggleRecording() {
    switch (recorder_.toggle(*this)) {
    case RecordingToggle::Started:
        grabKeyboard();
        break;
    case RecordingToggle::Stopped:
        releaseKeyboard();
        break;
    case RecordingToggle::Ignored:
        break;
    }
    syncModel();
}

void MacroPage::stopRecording() {
    if (recorder_.recording()) {
        if (controlsPresent()) {
            recorder_.toggle(*this);
        } else {
            OffPage off;
            recorder_.toggle(off);
        }
    }
    releaseKeyboard();
    syncModel();
    env_.window->update();
}

bool MacroPage::grabKeyboard() {
    watchWindow();
    QWindow* handle = env_.window->windowHandle();
    // A hidden window takes no grab although Qt would still name it the grabber: ask the window
    // system and say so when it refused. Recording goes on with the keys the window gets.
    const bool taken =
        handle != nullptr && env_.window->isVisible() && handle->setKeyboardGrabEnabled(true);
    grabbed_ = taken;
    if (taken) {
        captureStatus_.clear();
    } else {
        captureStatus_ = QStringLiteral(
            "Recording: the keyboard could not be captured; only keys typed into this window "
            "are recorded");
        std::fprintf(stderr, "torvex: %s\n", captureStatus_.toUtf8().constData());
    }
    return taken;
}

void MacroPage::releaseKeyboard() {
    if (!grabbed_) {
        return;
    }
    grabbed_ = false;
    if (QWindow* handle = env_.window->windowHandle()) {
        handle->setKeyboardGrabEnabled(false);
    }
    // The ungrab waits in the output buffer until the event loop runs; send it now, or the next
    // key still comes here.
    QGuiApplication::sync();
}

bool MacroPage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == env_.window) {
        if (type == QEvent::WinIdChange || type == QEvent::Show) {
            watchWindow();
        }
        if (type == QEvent::Hide) {
            // An unmapped window loses its grab; say so rather than believe it still holds.
            releaseKeyboard();
        } else if (type == QEvent::Show && recorder_.recording() && !grabbed_) {
            // Shown again while recording: take the keyboard once the window is on screen.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (recorder_.recording() && !grabbed_) {
                        grabKeyboard();
                    }
                },
                Qt::QueuedConnection);
        }
        return false;
    }
    if (eventList_ && watched == eventList_->viewport() && type == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const QPoint pos = mouse->position().toPoint();
            // After the list's own handling (selection, a pending edit request).
            QMetaObject::invokeMethod(
                this, [this, pos] { rightButtonReleased(pos); }, Qt::QueuedConnection);
        }
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool down = type == QEvent::KeyPress;
    if (recorder_.recording()) {
        const auto vk = x11KeycodeToVirtualKey(static_cast<int>(key->nativeScanCode()));
        if (vk) {
            bool alt = (key->modifiers() & Qt::AltModifier) != 0;
            if (isAltKey(*vk)) {
                alt = down; // an Alt press counts as held, its release does not
            }
            const KeyOutcome outcome =
                recorder_.keyEvent(*vk, down, key->isAutoRepeat(), alt, shownPage());
            syncModel();
            if (outcome != KeyOutcome::PassedOn) {
                // Recorded keys are the macro's, not the window's.
                return true;
            }
        }
    }
    const bool alt = (key->modifiers() & Qt::AltModifier) != 0;
    return messageFilterSwallows(keyMessageFor(down, alt), filterKeyOf(*key));
}

void MacroPage::syncModel() {
    const MacroEditState& s = editor_.state();
    env_.model->macroPage.recording = s.recording;
    env_.model->macroPage.downCount = s.downCount;
    env_.model->macroPage.upCount = s.upCount;
}

int MacroPage::macroRowCount() const {
    return macroList_ ? macroList_->count() : 0;
}

int MacroPage::macroSelection() const {
    return macroList_ ? macroList_->currentRow() : -1;
}

std::u16string MacroPage::macroRowText(int row) const {
    if (!macroList_ || row < 0 || row >= macroList_->count()) {
        return {};
    }
    return toU16(macroList_->item(row)->text());
}

void MacroPage::clearMacroRows() {
    if (macroList_) {
        const QSignalBlocker block(macroList_);
        macroList_->clear();
    }
}

void MacroPage::addMacroRow(std::u16string_view name) {
    if (macroList_) {
        const QSignalBlocker block(macroList_);
        macroList_->addItem(toQString(name));
    }
}

void MacroPage::removeMacroRow(int row) {
    if (macroList_ && row >= 0 && row < macroList_->count()) {
        const QSignalBlocker block(macroList_);
        delete macroList_->takeItem(row);
    }
}

void MacroPage::selectMacroRow(int row) {
    if (macroList_) {
        const QSignalBlocker block(macroList_);
        macroList_->setCurrentRow(row >= 0 && row < macroList_->count() ? row : -1);
    }
}

void MacroPage::focusMacroList() {
    if (macroList_) {
        macroList_->setFocus();
    }
}

std::u16string MacroPage::nameText() const {
    return nameEdit_ ? toU16(nameEdit_->text()) : std::u16string();
}

void MacroPage::setNameText(std::u16string_view text) {
    if (nameEdit_) {
        nameEdit_->setText(toQString(text));
    }
}

int MacroPage::eventRowCount() const {
    return eventList_ ? eventList_->count() : 0;
}

int MacroPage::eventSelection() const {
    return eventList_ ? eventList_->currentRow() : -1;
}

std::optional<std::u16string> MacroPage::eventRowText(int row) const {
    if (!eventList_ || row < 0 || row >= eventList_->count()) {
        return std::nullopt;
    }
    return toU16(eventList_->item(row)->text());
}

void MacroPage::clearEventRows() {
    if (eventList_) {
        const QSignalBlocker block(eventList_);
        eventList_->endEdit(false);
        eventList_->clear();
    }
}

void MacroPage::addEventRow(std::u16string_view text) {
    if (eventList_) {
        const QSignalBlocker block(eventList_);
        eventList_->addItem(toQString(text));
    }
}

void MacroPage::selectEventRow(int row) {
    if (eventList_) {
        const QSignalBlocker block(eventList_);
        eventList_->setCurrentRow(row >= 0 && row < eventList_->count() ? row : -1);
    }
}

void MacroPage::focusEventList() {
    if (eventList_) {
        eventList_->setFocus();
    }
}

std::u16string MacroPage::repeatText() const {
    return repeatEdit_ ? toU16(repeatEdit_->text()) : std::u16string();
}

void MacroPage::setRepeatText(std::u16string_view text) {
    if (repeatEdit_) {
        repeatEdit_->setText(toQString(text));
    }
}

void MacroPage::setRepeatEnabled(bool enabled) {
    if (repeatEdit_) {
        repeatEdit_->setEnabled(enabled);
    }
}

void MacroPage::invalidate() {
    syncModel();
    env_.window->update();
}

} // namespace torvex::app
