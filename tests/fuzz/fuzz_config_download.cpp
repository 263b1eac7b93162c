// Any config.ini: loading a profile and sending it works for every value a file can hold.
#include "device/download.h"
#include "fuzz_support.h"
#include "settings/config_store.h"

namespace {
using namespace torvex;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int number = static_cast<int8_t>(in.byte());
    const bool fromReset = (in.byte() & 1) != 0;
    const int language = in.byte();
    const auto file = fuzz::scratch() / "config.ini";
    fuzz::writeFile(file, in.rest());

    MouseSettings settings;
    LoadConfiguration(file, number, fromReset, language, settings);
    for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
        if (settings.dpiChoiceEntry(j) != dpiChoiceEntryFor(j, settings.dpiSet(j))) {
            __builtin_trap();
        }
    }
    device::NoHidDevices backend;
    device::DeviceLink link(backend);
    device::FeatureChannel channel(link);
    device::FilePointerSettings pointer(fuzz::scratch() / "pointer.ini");
    const auto result =
        device::DownloadSettings({file, channel, link, pointer, nullptr}, settings, number);
    (void)result;
    MouseSettings again;
    LoadConfiguration(file, number, false, language, again);
    // What was saved loads back as it was sent, apart from the normalised enable flags.
    if (result.saved && !(again == settings)) {
        for (std::size_t j = 0; j < kDpiLevelCount; ++j) {
            again.dpiSetEnabled[j] = settings.dpiSetEnabled[j];
        }
        if (!(again == settings)) {
            __builtin_trap();
        }
    }
    return 0;
}
