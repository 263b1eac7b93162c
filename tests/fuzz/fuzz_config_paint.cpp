// Any config.ini, loaded and sent as the window does at start-up, then every page painted with
// the factory skin and the values loaded: no value a file can hold reaches outside a table while
// the window composes its pages.
#include "device/download.h"
#include "fuzz_support.h"
#include "macro/macro_file.h"
#include "settings/config_store.h"
#include "ui/skin/page_composer.h"
#include "ui/skin/skin_images.h"
#include "ui/skin/skin_layout.h"

#include <QGuiApplication>
#include <array>
#include <memory>

namespace {
using namespace torvex;
using namespace torvex::ui;
namespace fs = std::filesystem;

const fs::path kData = fs::path(TORVEX_SOURCE_DIR) / "data";

// What the window loads once for each language: the layout tables and the user macros.
struct Language {
    SkinLayout layout;
    MacroTable macros{MacroTableKind::User};
};

struct Skin {
    std::array<Language, 2> languages;
    ImageCache cache;
    std::unique_ptr<PageComposer> composer;
    QSize size;
};

Skin* skin = nullptr;

// A hot entry as the hit tests give it: an entry of the table up to `last`, or none.
int hot(uint8_t b, int last) {
    const int k = b % (last + 2);
    return k > last ? kNoEntry : k;
}

} // namespace

// Under LeakSanitizer: fontconfig keeps its caches for the life of the process on purpose.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    static Skin s;
    const fs::path skinDir = kData / "skins";
    const LayoutReporter quiet;
    for (int language = 0; language < 2; ++language) {
        Language& l = s.languages[static_cast<std::size_t>(language)];
        if (!LoadMainLayout(skinDir, language, l.layout, quiet) ||
            !LoadColorLayout(skinDir, language, l.layout, quiet) ||
            !LoadAdvancedLayout(skinDir, language, l.layout, quiet) ||
            !LoadWarningLayout(skinDir, language, l.layout, quiet) ||
            LoadMacroFile(kData / (language == 0 ? "Macro_CN.dat" : "Macro_EN.dat"), l.macros)
                    .loaded == 0) {
            std::abort(); // the factory skin is part of the build; without it nothing is tested
        }
    }
    s.composer = std::make_unique<PageComposer>(skinDir, s.cache);
    s.size = BuildWindowShape(s.composer->picture("main_mask.jpg"), s.languages[0].layout).size;
    skin = &s;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int number = static_cast<int8_t>(in.byte());
    const bool fromReset = (in.byte() & 1) != 0;
    const int language = in.byte();
    const uint8_t hotMain = in.byte();
    const uint8_t hotColour = in.byte();
    const uint8_t hotAdvanced = in.byte();
    const uint8_t flags = in.byte();
    const uint8_t currentMacro = in.byte();
    const int downCount = in.integer();
    const int upCount = in.integer();
    const auto file = fuzz::scratch() / "config.ini";
    fuzz::writeFile(file, in.rest());

    // Start-up: the profile number as read from the file, the profile, then the download.
    UiModel model;
    model.curConfig = number;
    model.language = language;
    LoadConfiguration(file, number, fromReset, language, model.settings);
    device::NoHidDevices backend;
    device::DeviceLink link(backend);
    device::FeatureChannel channel(link);
    device::FilePointerSettings pointer(fuzz::scratch() / "pointer.ini");
    const auto result =
        device::DownloadSettings({file, channel, link, pointer, nullptr}, model.settings, number);
    model.dpiCode = result.state.dpiCode;
    model.ledStatusApplied = result.state.ledStatusApplied;

    Language& l = skin->languages[english(language) ? 1 : 0];
    l.macros.currentMacro = currentMacro % (static_cast<int>(kMacroTableSlots) + 2) - 1;
    model.macros = &l.macros;
    model.pointer.hotMain = hot(hotMain, 79);
    model.pointer.hotColor = hot(hotColour, 4);
    model.pointer.hotAdv = hot(hotAdvanced, 37);
    model.pointer.mouseDown = (flags & 1) != 0;
    model.macroPage.recording = (flags & 2) != 0;
    model.preview.off = (flags & 4) != 0;
    model.preview.colour = (flags >> 3) & 3;
    model.macroPage.downCount = downCount;
    model.macroPage.upCount = upCount;

    for (const uint8_t page : {kMainPage, kAdvancedPage, kColourPage}) {
        model.pointer.curPage = page;
        const QImage frame = skin->composer->compose(model, l.layout, skin->size);
        if (frame.size() != skin->size) {
            __builtin_trap();
        }
    }
    return 0;
}
