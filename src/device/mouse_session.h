// The mouse as a program uses it: discovery, the report channel, the button threads, downloads
// and the exit path, assembled once over a HID backend (the real one or the virtual mouse). The
// window and torvexctl both drive the mouse through this.
#pragma once

#include "device/button_events.h"
#include "device/device_link.h"
#include "device/download.h"
#include "device/feature_channel.h"
#include "device/pointer_settings.h"
#include "device/timeline.h"
#include "macro/macro_record.h"
#include "settings/mouse_settings.h"

#include <filesystem>
#include <functional>

namespace torvex::device {

class MouseSession {
public:
    // `backend`, `macros` and `pointer` must outlive the session.
    MouseSession(HidBackend& backend, MacroTables& macros, PointerSettings& pointer,
                 std::filesystem::path configPath, ButtonEventHooks hooks);
    ~MouseSession();
    MouseSession(const MouseSession&) = delete;
    MouseSession& operator=(const MouseSession&) = delete;

    // Discovery; true when both collections are open.
    bool findDevice();

    // The settings download; the button threads take over its DPI-tracking flags.
    DownloadResult download(const MouseSettings& settings, int curConfig,
                            std::function<void()> repaint = {});

    // The button threads run from start() until stop() or the exit path.
    void start();
    void stop();

    // The program's end as the mouse sees it: the threads stop (a macro is cut short), whatever
    // that macro left held is released, the exit report goes out and the pointer speed goes
    // back to 10 when it can be read.
    void exitPath();

    DeviceLink& link() { return link_; }
    FeatureChannel& channel() { return channel_; }
    ButtonEventService& buttons() { return buttons_; }
    PointerSettings& pointer() { return pointer_; }
    const DownloadState& lastDownload() const { return last_; }

private:
    PointerSettings& pointer_;
    std::filesystem::path configPath_;
    DeviceLink link_;
    FeatureChannel channel_;
    SteadyTimeline timeline_;
    ButtonEventService buttons_;
    DownloadState last_;
};

} // namespace torvex::device
