// The factory macro files: generated from data/macros by torvex-macrogen, and what they hold.

#include "common/utf16.h"
#include "macro/key_codes.h"
#include "macro/macro_file.h"
#include "macrogen/macro_definition.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace torvex {
namespace {
namespace fs = std::filesystem;

const fs::path kData = fs::path(TORVEX_SOURCE_DIR) / "data";

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

MacroTable load(const fs::path& file, MacroTableKind kind) {
    MacroTable table(kind);
    EXPECT_TRUE(LoadMacroFile(file, table).fileFound) << file;
    return table;
}

TEST(FactoryMacros, CommittedFilesMatchTheirDefinitions) {
    const testing::TempDir tmp("torvex-macrogen");
    const fs::path& scratch = tmp.path();
    std::size_t outputs = 0;
    for (const auto& entry : fs::directory_iterator(kData / "macros")) {
        if (entry.path().extension() != ".txt") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        const auto parsed = macrogen::parseMacroDefinitionFile(entry.path());
        ASSERT_TRUE(parsed.definition) << parsed.error;
        for (const auto& output : parsed.definition->outputs) {
            std::string error;
            ASSERT_TRUE(
                macrogen::writeFreshMacroFile(scratch / output, parsed.definition->table, &error))
                << error;
            EXPECT_EQ(bytesOf(scratch / output), bytesOf(kData / output))
                << output << " is stale: rebuild the 'macros' target and commit the result";
            ++outputs;
        }
    }
    EXPECT_EQ(outputs, 5u) << "constMacro.dat, two defMacro.dat and two Macro_*.dat";
}

TEST(FactoryMacros, FixedMacrosInTheirOrder) {
    const MacroTable fixed = load(kData / "constMacro.dat", MacroTableKind::Fixed);
    const struct {
        const char16_t* name;
        const char* modifier;
        const char* key;
    } expected[] = {
        {u"Copy", "LCONTROL", "C"},       {u"Paste", "LCONTROL", "V"},
        {u"Cut", "LCONTROL", "X"},        {u"Undo", "LCONTROL", "Z"},
        {u"Select all", "LCONTROL", "A"}, {u"Save", "LCONTROL", "S"},
        {u"Close window", "LMENU", "F4"}, {u"Show desktop", "LWIN", "D"},
    };
    ASSERT_EQ(fixed.count, static_cast<int>(std::size(expected)));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const MacroRecord& r = fixed.records[i];
        EXPECT_EQ(r.nameView(), expected[i].name);
        const std::uint8_t mod = *EventCodeForKeyName(expected[i].modifier);
        const std::uint8_t key = *EventCodeForKeyName(expected[i].key);
        ASSERT_EQ(r.eventCount, 4) << i;
        EXPECT_EQ(r.events[0], (MacroEvent{mod, kActionDown}));
        EXPECT_EQ(r.events[1], (MacroEvent{key, kActionDown}));
        EXPECT_EQ(r.events[2], (MacroEvent{key, kActionUp}));
        EXPECT_EQ(r.events[3], (MacroEvent{mod, kActionUp}));
        EXPECT_EQ(r.repeatMode, 0);
    }
}

TEST(FactoryMacros, ExampleMacrosAreNamedInTheirLanguageAndReleaseWhatTheyPress) {
    for (const char* lang : {"INI_CN", "INI_EN"}) {
        SCOPED_TRACE(lang);
        const bool chinese = std::string(lang) == "INI_CN";
        const fs::path def = kData / "skins" / lang / "defMacro.dat";
        EXPECT_EQ(bytesOf(def), bytesOf(kData / (chinese ? "Macro_CN.dat" : "Macro_EN.dat")));
        const MacroTable table = load(def, MacroTableKind::User);
        EXPECT_GE(table.count, 3);
        for (std::size_t i = 0; i < table.usedCount(); ++i) {
            const MacroRecord& r = table.records[i];
            const std::u16string_view name = r.nameView();
            SCOPED_TRACE(utf16ToUtf8(name));
            ASSERT_FALSE(name.empty());
            bool hasHan = false;
            bool allAscii = true;
            for (const char16_t c : name) {
                hasHan = hasHan || (c >= 0x4E00 && c <= 0x9FFF);
                allAscii = allAscii && c < 0x80;
            }
            EXPECT_TRUE(chinese ? hasHan : allAscii);
            ASSERT_GT(r.eventCount, 0);
            std::map<std::uint8_t, int> held;
            for (std::size_t k = 0; k < r.eventCount; ++k) {
                const MacroEvent e = r.events[k];
                ASSERT_TRUE(e.action == kActionDown || e.action == kActionUp);
                ASSERT_NE(KeyName(e.code), "NON-AVAILABLE");
                held[e.code] += e.action == kActionDown ? 1 : -1;
                ASSERT_GE(held[e.code], 0) << "released before pressed";
            }
            for (const auto& [code, n] : held) {
                EXPECT_EQ(n, 0) << KeyName(code) << " stays pressed";
            }
            if (r.repeatMode != 0) {
                EXPECT_GE(r.repeatCount(), 2);
            }
        }
    }
}

TEST(MacroDefinition, BuildsTheEvents) {
    const auto parsed = macrogen::parseMacroDefinition("# comment\n"
                                                       "table user\n"
                                                       "output a/b.dat\n"
                                                       "macro Mix 中\n"
                                                       "  repeat 3\n"
                                                       "  combo LCONTROL LSHIFT T 12ms\n"
                                                       "  wait 500ms\n"
                                                       "  press L-KEY\n"
                                                       "  down #16 0ms\n"
                                                       "  up ' 65535ms\n"
                                                       "  type aB!\n"
                                                       "end\n"
                                                       "macro Second\n"
                                                       "end\n");
    ASSERT_TRUE(parsed.definition) << parsed.error;
    const macrogen::MacroDefinition& def = *parsed.definition;
    EXPECT_EQ(def.outputs, std::vector<fs::path>{"a/b.dat"});
    EXPECT_EQ(def.table.kind, MacroTableKind::User);
    ASSERT_EQ(def.table.count, 2);
    const MacroRecord& r = def.table.records[0];
    EXPECT_EQ(r.nameView(), u"Mix 中");
    EXPECT_EQ(r.repeatMode, 1);
    EXPECT_EQ(r.repeatCount(), 3);
    const std::uint8_t ctrl = 224, shift = 225, t = 23;
    const struct {
        MacroEvent event;
        std::uint16_t delay;
    } expected[] = {
        {{ctrl, 1}, 12},  {{shift, 1}, 12}, {{t, 1}, 12},     {{t, 2}, 12},  {{shift, 2}, 12},
        {{ctrl, 2}, 500}, {{240, 1}, 30},   {{240, 2}, 30},   {{16, 1}, 0},  {{52, 2}, 65535},
        {{4, 1}, 30},     {{4, 2}, 30},     {{shift, 1}, 30}, {{5, 1}, 30},  {{5, 2}, 30},
        {{shift, 2}, 30}, {{shift, 1}, 30}, {{30, 1}, 30},    {{30, 2}, 30}, {{shift, 2}, 30},
    };
    ASSERT_EQ(r.eventCount, std::size(expected));
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        EXPECT_EQ(r.events[k], expected[k].event) << k;
        EXPECT_EQ(r.delay(k), expected[k].delay) << k;
    }
    EXPECT_EQ(def.table.records[1].nameView(), u"Second");
    EXPECT_EQ(def.table.records[1].repeatMode, 0);
    EXPECT_EQ(def.table.records[1].repeatCount(), 1);
}

TEST(MacroDefinition, RejectsMistakesWithTheirLine) {
    const std::string tooManyEvents = "table user\nmacro Long\n" + [] {
        std::string s;
        for (int i = 0; i < 128; ++i) {
            s += "press A\n";
        }
        return s;
    }() + "end\n";
    std::string tooManyMacros = "table fixed\n";
    for (int i = 0; i < 14; ++i) {
        tooManyMacros += "macro M" + std::to_string(i) + "\nend\n";
    }
    const struct {
        std::string text;
        const char* errorStart;
    } cases[] = {
        {"macro A\nend\n", "1:"},
        {"table user\nmacro A\npress NOKEY\nend\n", "3:"},
        {"table user\nmacro A\npress A 70000ms\nend\n", "3:"},
        {"table user\nmacro A\npress a\nend\n", "3:"},
        {"table user\nmacro A\nwait 10ms\nend\n", "3:"},
        {"table user\nmacro A\nrepeat 0\nend\n", "3:"},
        {"table user\nmacro A\ntype é\nend\n", "3:"},
        {"table user\nmacro A\n", "3:"},
        {"table user\nmacro 12345678901234567890\nend\n", "2:"},
        {"table user\nmacro A\nend\nmacro A\nend\n", "4:"},
        {"table user\npress A\n", "2:"},
        {"table user\noutput ../outside.dat\n", "2:"},
        {"table user\noutput /abs.dat\n", "2:"},
        {"table sometimes\n", "1:"},
        {"", "no table"},
        {tooManyEvents, "130:"}, // the 128th press would be events 255 and 256
        {tooManyMacros, "28:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        const auto parsed = macrogen::parseMacroDefinition(c.text);
        EXPECT_FALSE(parsed.definition);
        EXPECT_TRUE(parsed.error.starts_with(c.errorStart)) << parsed.error;
    }
}

} // namespace
} // namespace torvex
