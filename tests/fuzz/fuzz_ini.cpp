// The INI store on any file content: reads never fail, and a write gives back what was written
// while every other key of the file reads as before.
#include "common/ini_store.h"
#include "fuzz_support.h"

#include <vector>

namespace {
using namespace torvex;

bool writable(std::string_view s) {
    return s.find_first_of("\r\n") == std::string_view::npos;
}
bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
std::string_view trimmed(std::string_view s) {
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool ascii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string section(in.word());
    const std::string key(in.word());
    const std::string value(in.word());
    const std::size_t buffer = in.byte() * 16u + 1;
    const auto file = fuzz::scratch() / "fuzz.ini";
    fuzz::writeFile(file, in.rest());
    const bool utf16 = in.rest().starts_with("\xFF\xFE");

    (void)ini::readString(file, section, key, buffer);

    // Probe keys whose values must survive the write: the ones a profile uses.
    static const char* const probes[] = {"K0", "K1", "DPI_LEVEL", "FIRE_TIME", "macroNum", "0"};
    static const char* const sections[] = {"Config1", "Init", "Macros", "Config7"};
    struct Probe {
        std::string section, key, before;
    };
    std::vector<Probe> before;
    for (const char* s : sections) {
        for (const char* k : probes) {
            before.push_back({s, k, ini::readString(file, s, k, 4096)});
        }
    }

    const bool ok = ini::writeString(file, section, key, value);
    const bool valid = writable(trimmed(section)) && writable(trimmed(key)) && writable(value) &&
                       section.find(']') == std::string::npos &&
                       key.find('=') == std::string::npos && !trimmed(key).empty();
    if (ok != valid) {
        __builtin_trap(); // refused a good write or took a bad one
    }
    if (!ok) {
        return 0;
    }
    // Values read back trimmed and with one pair of enclosing quotes removed.
    std::string_view expected = trimmed(value);
    if (expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'') &&
        expected.back() == expected.front()) {
        expected = expected.substr(1, expected.size() - 2);
    }
    const std::string got = ini::readString(file, section, key, 1u << 20);
    // Names are taken without surrounding blanks; a name that starts a line with '[' would read
    // as a section header, so the round trip is demanded for every other name.
    if (!trimmed(section).empty() && section.find('[') == std::string::npos &&
        !trimmed(key).starts_with('[') && (ascii(value) || !utf16) && got != expected) {
        __builtin_trap();
    }
    for (const auto& p : before) {
        const bool same = ini::readString(file, p.section, p.key, 4096) == p.before;
        const bool touched = sameName(p.section, trimmed(section)) && sameName(p.key, trimmed(key));
        if (!same && !touched) {
            __builtin_trap(); // another key changed
        }
    }
    return 0;
}
