#include "macrogen/macro_definition.h"

#include "common/utf16.h"
#include "macro/key_codes.h"
#include "macro/macro_file.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

namespace torvex::macrogen {

namespace {

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    while (true) {
        s = trim(s);
        if (s.empty()) {
            return out;
        }
        const auto end = s.find_first_of(" \t");
        out.push_back(s.substr(0, end));
        if (end == std::string_view::npos) {
            return out;
        }
        s.remove_prefix(end);
    }
}

std::optional<long> parseNumber(std::string_view s) {
    long value = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc{} || ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    return value;
}

// "250ms" -> 250 (0..65535); anything else -> nothing.
std::optional<std::uint16_t> parseDelay(std::string_view s) {
    if (s.size() < 3 || !s.ends_with("ms")) {
        return std::nullopt;
    }
    const auto value = parseNumber(s.substr(0, s.size() - 2));
    if (!value || *value < 0 || *value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

std::optional<std::uint8_t> parseKey(std::string_view s) {
    if (s.size() > 1 && s.front() == '#') {
        const auto value = parseNumber(s.substr(1));
        if (value && *value >= 0 && *value <= 255) {
            return static_cast<std::uint8_t>(*value);
        }
        return std::nullopt;
    }
    // The key names " ' " and the others with blanks cannot be written as one word; these
    // spellings stand for them.
    if (s == "'") {
        return EventCodeForKeyName(" ' ");
    }
    return EventCodeForKeyName(s);
}

struct Keystroke {
    std::uint8_t code;
    bool shift;
};

// The US-layout key for an ASCII character.
std::optional<Keystroke> keystrokeFor(char c) {
    if (c >= 'a' && c <= 'z') {
        return Keystroke{static_cast<std::uint8_t>(4 + (c - 'a')), false};
    }
    if (c >= 'A' && c <= 'Z') {
        return Keystroke{static_cast<std::uint8_t>(4 + (c - 'A')), true};
    }
    if (c >= '1' && c <= '9') {
        return Keystroke{static_cast<std::uint8_t>(30 + (c - '1')), false};
    }
    struct Entry {
        char c;
        std::uint8_t code;
        bool shift;
    };
    static constexpr Entry kOthers[] = {
        {'0', 39, false},  {' ', 44, false}, {'-', 45, false}, {'_', 45, true},  {'=', 46, false},
        {'+', 46, true},   {'[', 47, false}, {']', 48, false}, {';', 51, false}, {':', 51, true},
        {'\'', 52, false}, {'"', 52, true},  {',', 54, false}, {'.', 55, false}, {'/', 56, false},
        {'?', 56, true},   {'!', 30, true},  {'@', 31, true},  {'#', 32, true},  {'(', 38, true},
        {')', 39, true},
    };
    for (const Entry& e : kOthers) {
        if (e.c == c) {
            return Keystroke{e.code, e.shift};
        }
    }
    return std::nullopt;
}

constexpr std::uint8_t kLeftShift = 225;

class Parser {
public:
    ParseResult run(std::string_view text) {
        std::size_t pos = 0;
        while (pos <= text.size()) {
            auto end = text.find('\n', pos);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            ++line_;
            if (!parseLine(text.substr(pos, end - pos))) {
                return {std::nullopt, std::to_string(line_) + ": " + error_};
            }
            pos = end + 1;
        }
        if (inMacro_) {
            return {std::nullopt, std::to_string(line_) + ": macro without end"};
        }
        if (!tableGiven_) {
            return {std::nullopt, "no table line (user or fixed)"};
        }
        return {std::move(def_), {}};
    }

private:
    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    MacroRecord& record() {
        return def_.table.records[static_cast<std::size_t>(def_.table.count - 1)];
    }

    bool addEvent(std::uint8_t code, std::uint8_t action, std::uint16_t delay) {
        MacroRecord& r = record();
        if (r.eventCount >= kMaxMacroEvents) {
            return fail("a macro holds at most 254 events");
        }
        r.events[r.eventCount] = {code, action};
        r.setDelay(r.eventCount, delay);
        ++r.eventCount;
        return true;
    }

    // Splits "KEY... [Nms]" into keys and the pause.
    bool keysAndDelay(const std::vector<std::string_view>& w, std::size_t first,
                      std::vector<std::uint8_t>& keys, std::uint16_t& delay) {
        delay = kDefaultEventDelay;
        std::size_t last = w.size();
        if (last > first) {
            if (const auto d = parseDelay(w[last - 1])) {
                delay = *d;
                --last;
            }
        }
        for (std::size_t i = first; i < last; ++i) {
            const auto code = parseKey(w[i]);
            if (!code) {
                return fail("unknown key name '" + std::string(w[i]) + "'");
            }
            keys.push_back(*code);
        }
        if (keys.empty()) {
            return fail("a key name is missing");
        }
        return true;
    }

    bool parseLine(std::string_view raw) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == '#') {
            return true;
        }
        const auto w = words(line);
        const std::string_view cmd = w.front();
        const std::string_view rest = trim(line.substr(cmd.size()));

        if (cmd == "table") {
            if (tableGiven_ || def_.table.count > 0) {
                return fail("the table is given once, before the macros");
            }
            if (rest == "user" || rest == "fixed") {
                def_.table =
                    MacroTable(rest == "user" ? MacroTableKind::User : MacroTableKind::Fixed);
                tableGiven_ = true;
                return true;
            }
            return fail("table is 'user' or 'fixed'");
        }
        if (cmd == "output") {
            const std::filesystem::path out(std::string{rest});
            if (rest.empty() || out.is_absolute() ||
                std::find(out.begin(), out.end(), "..") != out.end()) {
                return fail("output is a path inside the data folder");
            }
            def_.outputs.push_back(out);
            return true;
        }
        if (cmd == "macro") {
            if (!tableGiven_) {
                return fail("the table line comes first");
            }
            if (inMacro_) {
                return fail("the previous macro has no end");
            }
            if (static_cast<std::size_t>(def_.table.count) >= def_.table.capacity()) {
                return fail("the table holds at most " + std::to_string(def_.table.capacity()) +
                            " macros");
            }
            const std::u16string name = utf8ToUtf16(rest);
            if (name.empty() || fitMacroName(name).size() != name.size()) {
                return fail("a macro name has 1 to 19 UTF-16 code units");
            }
            if (FindMacroByName(def_.table, name) != def_.table.count) {
                return fail("a macro of this name exists already");
            }
            ++def_.table.count;
            record() = MacroRecord{};
            record().setName(name);
            record().setRepeatCount(1);
            inMacro_ = true;
            return true;
        }
        if (!inMacro_) {
            return fail("'" + std::string(cmd) + "' outside a macro");
        }
        if (cmd == "end") {
            if (w.size() != 1) {
                return fail("end takes nothing");
            }
            inMacro_ = false;
            return true;
        }
        if (cmd == "repeat") {
            const auto n = w.size() == 2 ? parseNumber(w[1]) : std::nullopt;
            if (!n || *n < 1 || *n > 65535) {
                return fail("repeat takes a count of 1 to 65535");
            }
            record().repeatMode = 1;
            record().setRepeatCount(static_cast<std::uint16_t>(*n));
            return true;
        }
        if (cmd == "wait") {
            const auto d = w.size() == 2 ? parseDelay(w[1]) : std::nullopt;
            if (!d) {
                return fail("wait takes a pause such as 500ms");
            }
            if (record().eventCount == 0) {
                return fail("wait follows an event");
            }
            record().setDelay(record().eventCount - 1u, *d);
            return true;
        }
        if (cmd == "type") {
            if (rest.empty()) {
                return fail("type needs text");
            }
            for (const char c : rest) {
                const auto k = keystrokeFor(c);
                if (!k) {
                    return fail(std::string("cannot type '") + c + "'");
                }
                if ((k->shift && !addEvent(kLeftShift, kActionDown, kDefaultEventDelay)) ||
                    !addEvent(k->code, kActionDown, kDefaultEventDelay) ||
                    !addEvent(k->code, kActionUp, kDefaultEventDelay) ||
                    (k->shift && !addEvent(kLeftShift, kActionUp, kDefaultEventDelay))) {
                    return false;
                }
            }
            return true;
        }
        if (cmd == "down" || cmd == "up" || cmd == "press" || cmd == "combo") {
            std::vector<std::uint8_t> keys;
            std::uint16_t delay = 0;
            if (!keysAndDelay(w, 1, keys, delay)) {
                return false;
            }
            if (cmd != "combo" && keys.size() != 1) {
                return fail(std::string(cmd) + " takes one key");
            }
            if (cmd == "down" || cmd == "up") {
                return addEvent(keys[0], cmd == "down" ? kActionDown : kActionUp, delay);
            }
            for (const std::uint8_t k : keys) {
                if (!addEvent(k, kActionDown, delay)) {
                    return false;
                }
            }
            for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
                if (!addEvent(*it, kActionUp, delay)) {
                    return false;
                }
            }
            return true;
        }
        return fail("unknown line '" + std::string(cmd) + "'");
    }

    MacroDefinition def_;
    bool tableGiven_ = false;
    bool inMacro_ = false;
    int line_ = 0;
    std::string error_;
};

} // namespace

ParseResult parseMacroDefinition(std::string_view text) {
    return Parser{}.run(text);
}

ParseResult parseMacroDefinitionFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {std::nullopt, "cannot read " + file.string()};
    }
    std::ostringstream text;
    text << in.rdbuf();
    ParseResult result = parseMacroDefinition(text.str());
    if (!result.definition) {
        result.error = file.string() + ":" + result.error;
    }
    return result;
}

bool writeFreshMacroFile(const std::filesystem::path& file, const MacroTable& table,
                         std::string* error) {
    std::error_code ec;
    if (file.has_parent_path()) {
        std::filesystem::create_directories(file.parent_path(), ec);
        if (ec) {
            if (error) {
                *error = "cannot create " + file.parent_path().string() + ": " + ec.message();
            }
            return false;
        }
    }
    std::filesystem::path fresh = file;
    fresh += ".new";
    std::filesystem::remove(fresh, ec);
    if (!SaveMacroFile(fresh, table, error)) {
        std::filesystem::remove(fresh, ec);
        return false;
    }
    std::filesystem::rename(fresh, file, ec);
    if (ec) {
        if (error) {
            *error = "cannot replace " + file.string() + ": " + ec.message();
        }
        std::filesystem::remove(fresh, ec);
        return false;
    }
    return true;
}

} // namespace torvex::macrogen
