#include "common/ini_store.h"
#include "common/utf16.h"
#include "macro/key_codes.h"
#include "macro/macro_file.h"
#include "support/temp_dir.h"

#include <bit>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace torvex {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;
using Bytes = std::array<std::uint8_t, kMacroRecordSize>;

std::string repeat(const std::string& group, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) {
        out += group;
    }
    return out;
}

// The record of the worked example: "M1", played once, key A down and up, 30 ms after each.
MacroRecord exampleRecord() {
    MacroRecord r;
    r.setName(u"M1");
    r.repeatMode = 0;
    r.setRepeatCount(1);
    r.eventCount = 2;
    r.events[0] = {4, kActionDown};
    r.events[1] = {4, kActionUp};
    r.setDelay(0, 30);
    r.setDelay(1, 30);
    return r;
}

const std::string kExampleDigits = "077000049000" + repeat("000", 36) + "000001000002" +
                                   "065001030000" + "065002030000" + repeat("000", 1012);

class MacroFile : public ::testing::Test {
protected:
    void put(const std::string& bytes) const { std::ofstream(file_, std::ios::binary) << bytes; }
    std::string contents() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    // A file whose macro i is the example record named "N<i>".
    void putNumbered(int macroNum, int keys) const {
        std::string text = "[Macros]\nmacroNum=" + std::to_string(macroNum) + "\n";
        for (int i = 0; i < keys; ++i) {
            MacroRecord r = exampleRecord();
            r.setName(u"N" + std::u16string(1, static_cast<char16_t>(u'a' + i)));
            text += std::to_string(i) + "=" + encodeMacroRecord(r) + "\n";
        }
        put(text);
    }

    testing::TempDir tmp_{"torvex-macro"};
    const fs::path dir_ = tmp_.path();
    const fs::path file_ = dir_ / "Macro_EN.dat";
};

TEST_F(MacroFile, WorkedExampleDigitForDigit) {
    ASSERT_EQ(kExampleDigits.size(), kMacroDigits);
    EXPECT_EQ(encodeMacroRecord(exampleRecord()), kExampleDigits);

    MacroTable table;
    table.records[0] = exampleRecord();
    table.count = 1;
    ASSERT_TRUE(SaveMacroFile(file_, table));
    EXPECT_EQ(contents(), "[Macros]\nmacroNum=1\n0=" + kExampleDigits + "\n");

    MacroTable loaded;
    const MacroLoadResult result = LoadMacroFile(file_, loaded);
    EXPECT_TRUE(result.fileFound);
    EXPECT_EQ(loaded.count, 1);
    EXPECT_EQ(loaded.records[0], exampleRecord());
}

TEST_F(MacroFile, CodesAreConvertedOnTheWayOutAndIn) {
    const struct {
        std::uint8_t code;
        const char* written;
    } cases[] = {{4, "065"}, {50, "192"}, {40, "013"}, {240, "240"}, {241, "241"}, {242, "242"}};
    for (const auto& c : cases) {
        MacroRecord r;
        r.events[7] = {c.code, kActionDown};
        const std::string digits = encodeMacroRecord(r);
        EXPECT_EQ(digits.substr(3 * (44 + 4 * 7), 3), c.written) << int(c.code);
        EXPECT_EQ(decodeMacroRecord(utf8ToUtf16(digits)).events[7].code, c.code);
    }
}

TEST_F(MacroFile, FullTablesRoundTrip) {
    // Every meaningful field, non-ASCII names, delays above 255 and every code that a key or a
    // mouse button can give, in both tables.
    for (const MacroTableKind kind : {MacroTableKind::User, MacroTableKind::Fixed}) {
        MacroTable table(kind);
        table.count = static_cast<int>(table.capacity());
        const char16_t* names[] = {u"连点", u"Ünïcødé", u"\U0001F600 smile",
                                   u"1234567890123456789"};
        int vk = 0;
        for (std::size_t i = 0; i < table.capacity(); ++i) {
            MacroRecord& r = table.records[i];
            r.setName(names[i % 4]);
            r.repeatMode = static_cast<std::uint8_t>(i % 3);
            r.setRepeatCount(static_cast<std::uint16_t>(65535 - i));
            r.eventCount = 254;
            for (std::size_t k = 0; k < 254; ++k) {
                const std::uint8_t code = k % 17 == 0 ? static_cast<std::uint8_t>(240 + k % 3)
                                                      : VirtualKeyToHid(vk++ % 256);
                r.events[k] = {code, static_cast<std::uint8_t>(1 + k % 2)};
                r.setDelay(k, static_cast<std::uint16_t>(k * 257 + i));
            }
        }
        ASSERT_TRUE(SaveMacroFile(file_, table));
        MacroTable loaded(kind);
        LoadMacroFile(file_, loaded);
        EXPECT_EQ(loaded.count, table.count);
        for (std::size_t i = 0; i < kMacroTableSlots; ++i) {
            EXPECT_EQ(loaded.records[i], table.records[i]) << i;
        }
        fs::remove(file_);
    }
}

TEST_F(MacroFile, TheLastGroupIsCutByTheReadBuffer) {
    // A macro value is read with room for 3191 characters, so the last file byte (the high byte
    // of the never-used delay slot 254) keeps only two of its digits.
    MacroTable table;
    table.count = 1;
    table.records[0].setDelay(254, 0xFF00);
    ASSERT_TRUE(SaveMacroFile(file_, table));
    LoadMacroFile(file_, table);
    EXPECT_EQ(table.records[0].delay(254), 25 << 8);
}

TEST_F(MacroFile, SavingFewerMacrosLeavesTheOldKeys) {
    putNumbered(5, 5);
    MacroTable table;
    LoadMacroFile(file_, table);
    ASSERT_EQ(table.count, 5);
    table.count = 3;
    ASSERT_TRUE(SaveMacroFile(file_, table));
    EXPECT_EQ(ini::readString(file_, "Macros", "macroNum", 10), "3");
    EXPECT_EQ(ini::readString(file_, "Macros", "3", 4000), encodeMacroRecord(table.records[3]));
    EXPECT_FALSE(ini::readString(file_, "Macros", "4", 4000).empty());
    MacroTable again;
    LoadMacroFile(file_, again);
    EXPECT_EQ(again.count, 3);
    EXPECT_EQ(again.currentMacro, 2);
}

TEST_F(MacroFile, MacroNumIsLimitedToTheTable) {
    const struct {
        const char* macroNum;
        MacroTableKind kind;
        int count;
    } cases[] = {
        {"3", MacroTableKind::User, 3},    {"123", MacroTableKind::User, 12},
        {"13", MacroTableKind::User, 12},  {"13", MacroTableKind::Fixed, 13},
        {"99", MacroTableKind::Fixed, 13}, {"-5", MacroTableKind::User, 0},
        {"abc", MacroTableKind::User, 0},  {"", MacroTableKind::User, 0},
        {" 7", MacroTableKind::Fixed, 7},  {"1x", MacroTableKind::User, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.macroNum);
        std::string text = "[Macros]\nmacroNum=" + std::string(c.macroNum) + "\n";
        for (int i = 0; i < 20; ++i) {
            MacroRecord r = exampleRecord();
            r.setName(u"N" + std::u16string(1, static_cast<char16_t>(u'a' + i)));
            text += std::to_string(i) + "=" + encodeMacroRecord(r) + "\n";
        }
        put(text);
        MacroTable table(c.kind);
        const MacroLoadResult result = LoadMacroFile(file_, table);
        EXPECT_EQ(table.count, c.count);
        EXPECT_EQ(result.loaded, c.count);
        if (c.kind == MacroTableKind::User) {
            EXPECT_EQ(table.currentMacro, c.count >= 1 ? c.count - 1 : 0);
            EXPECT_EQ(table.records[12], MacroRecord{}) << "the blank record stays blank";
        }
        for (int i = 0; i < static_cast<int>(kMacroTableSlots); ++i) {
            const auto& name = table.records[static_cast<std::size_t>(i)].nameView();
            EXPECT_EQ(name.empty(), i >= c.count) << i;
        }
    }
    put("[Macros]\nmacroNum=123\n");
    MacroTable table;
    EXPECT_EQ(LoadMacroFile(file_, table).countInFile, 12); // two characters are read
}

TEST_F(MacroFile, MissingFileIsReportedAndLoadsNothing) {
    MacroTable table;
    table.records[0] = exampleRecord();
    table.count = 1;
    table.currentMacro = 0;
    table.records[3].setName(u"stale");
    int calls = 0;
    fs::path told;
    std::string problem = "unset";
    const auto onProblem = [&](const fs::path& p, const std::string& what) {
        ++calls;
        told = p;
        problem = what;
    };
    const MacroLoadResult result = LoadMacroFile(dir_ / "absent.dat", table, onProblem);
    EXPECT_FALSE(result.fileFound);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(told, dir_ / "absent.dat");
    EXPECT_EQ(problem, "") << "a missing file has no problem to name";
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.currentMacro, 0);
    EXPECT_EQ(table.records[0], exampleRecord()) << "records are left as they were";
    EXPECT_EQ(table.records[3].nameView(), u"stale");

    // A folder in its place is no macro file either, and the handler is told what it is.
    EXPECT_FALSE(LoadMacroFile(dir_, table, onProblem).fileFound);
    EXPECT_NE(problem.find("is a folder"), std::string::npos) << problem;
    EXPECT_FALSE(LoadMacroFile(dir_, table).fileFound); // without a handler nothing is told
}

TEST_F(MacroFile, RecordsBeyondTheCountKeepTheirBytes) {
    putNumbered(2, 2);
    MacroTable table;
    for (auto& r : table.records) {
        r.setName(u"old");
    }
    LoadMacroFile(file_, table);
    EXPECT_EQ(table.records[1].nameView(), u"Nb");
    EXPECT_EQ(table.records[2].nameView(), u"old");
}

TEST_F(MacroFile, MalformedValuesDecodeWithinOneRecord) {
    const struct {
        std::u16string digits;
        std::size_t byte;
        std::uint8_t value;
    } cases[] = {
        {u"", 0, 0},
        {u"077", 0, 77},
        {u"07", 0, 7},
        {u"999", 0, 231},  // low 8 bits
        {u"abc077", 0, 0}, // not a number
        {u"abc077", 1, 77},
        {u"-01", 0, 255},
        {u" 5x", 0, 5},
        {u"+12", 0, 12},
        {u"1\u4e2d2", 0, 1}, // a non-digit ends the number; positions count UTF-16 units
        {u"1\u4e2d2003", 1, 3},
        {u"\U0001F600123", 1, 23}, // a surrogate pair is two units
    };
    for (const auto& c : cases) {
        const Bytes bytes = macroFileBytes(decodeMacroRecord(c.digits));
        EXPECT_EQ(bytes[c.byte], c.value) << c.byte;
    }
    // Far too long: only one record's worth is read.
    const std::u16string tooLong(100000, u'9');
    const MacroRecord r = decodeMacroRecord(tooLong);
    EXPECT_EQ(r.eventCount, 231);
    EXPECT_EQ(r.delay(254), 0xE7E7);
}

TEST_F(MacroFile, TruncatedAndGarbageFilesLoadSafely) {
    std::mt19937 random(11);
    std::string garbage;
    for (int i = 0; i < 30000; ++i) {
        garbage += static_cast<char>(random() & 0xFF);
    }
    const std::string cases[] = {
        "[Macros]\nmacroNum=2\n0=" + kExampleDigits.substr(0, 200) + "\n",
        "[Macros]\nmacroNum=12\n0=" + garbage.substr(0, 5000) + "\n",
        garbage,
        "[Macros]\nmacroNum=9\n" + garbage,
        "[Macros]\n" + std::string(60000, '[') + "\nmacroNum=99\n0=" + std::string(90000, '1') +
            "\n",
        "[Macros]\nmacroNum=3\n0=\0\0\0"s + "077",
    };
    for (const auto& text : cases) {
        put(text);
        MacroTable table;
        LoadMacroFile(file_, table);
        EXPECT_GE(table.count, 0);
        EXPECT_LE(table.count, 12);
        EXPECT_EQ(table.records[12], MacroRecord{});
    }
    // The truncated example keeps what it holds and reads the rest as zeros.
    put("[Macros]\nmacroNum=1\n0=" + kExampleDigits.substr(0, 144) + "\n");
    MacroTable table;
    LoadMacroFile(file_, table);
    EXPECT_EQ(table.records[0].nameView(), u"M1");
    EXPECT_EQ(table.records[0].eventCount, 2);
    EXPECT_EQ(table.records[0].events[0], (MacroEvent{4, kActionDown}));
    EXPECT_EQ(table.records[0].delay(0), 30);
    EXPECT_EQ(table.records[0].events[1], (MacroEvent{}));
}

TEST_F(MacroFile, SaveFailureIsReported) {
    std::ofstream(dir_ / "file") << "x";
    MacroTable table;
    table.count = 1;
    std::string error;
    EXPECT_FALSE(SaveMacroFile(dir_ / "file" / "Macro_CN.dat", table, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(MacroFile, SaveWritesNoMoreThanTheTableHolds) {
    MacroTable table(MacroTableKind::User);
    table.count = 50;
    ASSERT_TRUE(SaveMacroFile(file_, table));
    EXPECT_EQ(ini::readString(file_, "Macros", "macroNum", 10), "12");
    EXPECT_TRUE(ini::readString(file_, "Macros", "12", 10).empty());
}

TEST_F(MacroFile, RestoreFactoryMacros) {
    const fs::path factory = dir_ / "defMacro.dat";
    const fs::path other = dir_ / "Macro_CN.dat";
    putNumbered(4, 4); // the user's English macros
    fs::copy_file(file_, other);
    MacroTable factoryTable;
    factoryTable.records[0] = exampleRecord();
    factoryTable.count = 1;
    ASSERT_TRUE(SaveMacroFile(factory, factoryTable));

    // A missing factory file must not wipe the user's macros, in memory or on disk.
    const std::string userBytes = contents();
    MacroTable table;
    LoadMacroFile(file_, table);
    const MacroTable before = table;
    int told = 0;
    EXPECT_EQ(
        RestoreFactoryMacros(dir_ / "absent.dat", file_, table, [&](auto&, auto&) { ++told; }),
        FactoryMacroRestore::FactoryFileMissing);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(contents(), userBytes);
    EXPECT_EQ(table.count, before.count);
    EXPECT_EQ(table.records, before.records);

    EXPECT_EQ(RestoreFactoryMacros(factory, file_, table), FactoryMacroRestore::Restored);
    EXPECT_EQ(table.count, 1);
    EXPECT_EQ(table.currentMacro, 0);
    EXPECT_EQ(table.records[0], exampleRecord());
    MacroTable reloaded;
    LoadMacroFile(file_, reloaded);
    EXPECT_EQ(reloaded.count, 1);
    EXPECT_EQ(reloaded.records[0], exampleRecord());
    MacroTable otherLanguage;
    LoadMacroFile(other, otherLanguage);
    EXPECT_EQ(otherLanguage.count, 4) << "the other language's file is not touched";

    std::ofstream(dir_ / "file") << "x";
    EXPECT_EQ(RestoreFactoryMacros(factory, dir_ / "file" / "Macro_EN.dat", table),
              FactoryMacroRestore::SaveFailed);
}

} // namespace
} // namespace torvex
