#include "device/mouse_session.h"

namespace torvex::device {

MouseSession::MouseSession(HidBackend& backend, MacroTables& macros, PointerSettings& pointer,
                           std::filesystem::path configPath, ButtonEventHooks hooks)
    : pointer_(pointer), configPath_(std::move(configPath)), link_(backend), channel_(link_),
      buttons_(link_, channel_, macros, timeline_, configPath_, std::move(hooks)) {}

MouseSession::~MouseSession() {
    buttons_.stop();
}

bool MouseSession::findDevice() {
    link_.findDevice();
    return link_.readHandle().isOpen() && link_.writeHandle().isOpen();
}

DownloadResult MouseSession::download(const MouseSettings& settings, int curConfig,
                                      std::function<void()> repaint) {
    DownloadResult result = DownloadSettings(
        {configPath_, channel_, link_, pointer_, std::move(repaint)}, settings, curConfig);
    last_ = result.state;
    buttons_.setDpiTracking(result.state.dpiTrackingButton);
    return result;
}

void MouseSession::start() {
    buttons_.start();
}

void MouseSession::stop() {
    buttons_.stop();
}

void MouseSession::exitPath() {
    buttons_.stop();
    // A macro stopped in a pause may have left a key or button down in the mouse; it would
    // stay down after the program has gone.
    buttons_.releaseHeldInputs();
    SendExitReport(channel_, link_);
    // As in the download: a desktop whose speed cannot be read is left alone.
    if (pointer_.speed()) {
        pointer_.setSpeed(kExitPointerSpeed);
    }
}

} // namespace torvex::device
