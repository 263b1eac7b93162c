#include "common/ini_store.h"

#include "common/utf16.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace torvex::ini {
namespace fs = std::filesystem;

namespace {

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view utf16LeBom = "\xFF\xFE";

// A file descriptor that closes itself.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

std::string errnoText(const std::string& what, const fs::path& file) {
    return what + " " + file.string() + ": " + std::strerror(errno);
}

// Reads the whole file; nullopt when it cannot be opened or read (missing, a folder, no access).
std::optional<std::string> readAll(const fs::path& file) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

Encoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with(utf8Bom)) {
        return Encoding::Utf8Bom;
    }
    if (bytes.starts_with(utf16LeBom)) {
        return Encoding::Utf16Le;
    }
    return Encoding::Utf8;
}

std::u16string decodeUtf16Le(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return units;
}

std::string encodeUtf16Le(std::u16string_view units) {
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

template <typename Char>
bool isBlank(Char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

template <typename Char>
std::basic_string_view<Char> trim(std::basic_string_view<Char> s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

template <typename Char>
bool equalsIgnoreCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    using Unit = std::make_unsigned_t<Char>; // bytes above 0x7F must not turn negative
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(static_cast<Unit>(a[i])) != lower(static_cast<Unit>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Where a key was found, or where a new one goes, in a text of code units.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueLineEnd = 0; // end of the key line's content (before "\r\n" or "\n")
    std::size_t valueStart = 0;   // value text, trimmed
    std::size_t valueEnd = 0;
    std::size_t keyEnd = 0;          // end of the key text as written in the file (trimmed)
    std::size_t insertAt = 0;        // after the section's last non-blank line (line terminator)
    bool insertNeedsNewline = false; // that line has no terminator (end of file)
};

// Both names are ASCII in practice; they are compared against the file's units without case.
template <typename Char>
Location locate(std::basic_string_view<Char> text, std::basic_string_view<Char> section,
                std::basic_string_view<Char> key) {
    Location loc;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find(static_cast<Char>('\n'), pos);
        const bool terminated = nl != std::basic_string_view<Char>::npos;
        const std::size_t lineEnd = terminated ? nl : text.size();
        std::size_t contentEnd = lineEnd;
        if (contentEnd > pos && text[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        const std::size_t next = terminated ? nl + 1 : text.size();
        const auto line = text.substr(pos, contentEnd - pos);
        const auto trimmed = trim(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            if (inSection) {
                return loc; // the first matching section ends here; later duplicates are ignored
            }
            auto name = trimmed.substr(1);
            const auto close = name.find(static_cast<Char>(']'));
            if (close != std::basic_string_view<Char>::npos) {
                name = name.substr(0, close);
            }
            if (equalsIgnoreCase(trim(name), section)) {
                inSection = true;
                loc.sectionFound = true;
                loc.insertAt = next;
                loc.insertNeedsNewline = !terminated;
            }
        } else if (inSection && !trimmed.empty()) {
            loc.insertAt = next;
            loc.insertNeedsNewline = !terminated;
            const auto eq = line.find(static_cast<Char>('='));
            if (eq != std::basic_string_view<Char>::npos &&
                equalsIgnoreCase(trim(line.substr(0, eq)), key)) {
                std::size_t keyStart = 0;
                while (keyStart < eq && isBlank(line[keyStart])) {
                    ++keyStart;
                }
                const auto keyText = trim(line.substr(0, eq));
                const auto rawValue = line.substr(eq + 1);
                const auto value = trim(rawValue);
                loc.keyFound = true;
                loc.keyEnd = pos + keyStart + keyText.size();
                loc.valueLineEnd = contentEnd;
                loc.valueStart = pos + eq + 1;
                while (loc.valueStart < contentEnd && isBlank(text[loc.valueStart])) {
                    ++loc.valueStart;
                }
                loc.valueEnd = loc.valueStart + value.size();
                return loc;
            }
        }
        pos = next;
    }
    return loc;
}

// The value as the caller sees it: one pair of enclosing quotes removed.
template <typename Char>
std::basic_string_view<Char> unquote(std::basic_string_view<Char> v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

template <typename Char>
std::basic_string<Char>
editText(std::basic_string_view<Char> text, const std::basic_string<Char>& sectionUnits,
         const std::basic_string<Char>& keyUnits, const std::basic_string<Char>& valueUnits) {
    std::basic_string<Char> eol;
    {
        const auto nl = text.find(static_cast<Char>('\n'));
        if (nl != std::basic_string_view<Char>::npos && nl > 0 && text[nl - 1] == '\r') {
            eol = {Char('\r'), Char('\n')};
        } else {
            eol = {Char('\n')};
        }
    }
    const Location loc = locate<Char>(text, sectionUnits, keyUnits);
    std::basic_string<Char> out;
    out.reserve(text.size() + keyUnits.size() + valueUnits.size() + sectionUnits.size() + 8);
    if (loc.keyFound) {
        // Keep the key as the file spells it; replace everything after it on that line.
        out.append(text.substr(0, loc.keyEnd));
        out += Char('=');
        out.append(valueUnits);
        out.append(text.substr(loc.valueLineEnd));
        return out;
    }
    std::basic_string<Char> keyLine = keyUnits;
    keyLine += Char('=');
    keyLine.append(valueUnits);
    if (loc.sectionFound) {
        out.append(text.substr(0, loc.insertAt));
        if (loc.insertNeedsNewline) {
            out.append(eol);
        }
        out.append(keyLine);
        out.append(eol);
        out.append(text.substr(loc.insertAt));
        return out;
    }
    out.append(text);
    if (!text.empty() && text.back() != Char('\n')) {
        out.append(eol);
    }
    out += Char('[');
    out.append(sectionUnits);
    out += Char(']');
    out.append(eol);
    out.append(keyLine);
    out.append(eol);
    return out;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Serialises writers of this process; the flock below serialises processes.
std::mutex& writerMutex() {
    static std::mutex m;
    return m;
}

bool writeAllFd(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Takes an exclusive lock on the file itself. The lock belongs to an inode, and writers replace
// the inode by renaming, so after locking we check that the path still names the locked inode;
// otherwise another writer has replaced it meanwhile and we lock the new one. `created` tells
// whether the file did not exist and was made empty here, so a failed write can take it away.
bool lockTarget(const fs::path& file, Fd& lock, bool& created, std::string* error) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        created = false;
        int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(file.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            created = fd >= 0;
            if (fd < 0 && errno == EEXIST) {
                continue; // another writer made it meanwhile: lock theirs
            }
        }
        if (fd < 0) {
            if (error) {
                *error = errnoText("cannot open", file);
            }
            return false;
        }
        lock.reset(fd);
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                if (error) {
                    *error = errnoText("cannot lock", file);
                }
                return false;
            }
        }
        struct stat held {};
        struct stat current {};
        if (::fstat(fd, &held) == 0 && ::stat(file.c_str(), &current) == 0 &&
            held.st_dev == current.st_dev && held.st_ino == current.st_ino) {
            if (S_ISDIR(held.st_mode)) {
                if (error) {
                    *error = file.string() + " is a folder, not a file";
                }
                return false;
            }
            return true;
        }
    }
    if (error) {
        *error = "cannot lock " + file.string() + ": it keeps being replaced";
    }
    return false;
}

// A writer that was killed half way leaves its temporary file behind; the next writer of the
// same file removes those whose process is gone. Called with the file's lock held.
void removeOrphanedTemporaries(const fs::path& dir, const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            fs::remove(entry.path(), ec);
        }
    }
}

// Writes bytes to a new file beside the target and renames it over the target.
bool replaceFile(const fs::path& file, std::string_view bytes, std::string* error) {
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string prefix = "." + file.filename().string() + ".tmp-";
    removeOrphanedTemporaries(dir, prefix);
    static std::atomic<unsigned> counter{0};
    const fs::path temp =
        dir / (prefix + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    // 0666 lets the user's umask decide the mode of a new file.
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        if (error) {
            *error = errnoText("cannot write", file);
        }
        return false;
    }
    bool ok = writeAllFd(fd.get(), bytes);
    struct stat old {};
    if (ok && ::stat(file.c_str(), &old) == 0) {
        (void)::fchmod(fd.get(), old.st_mode & 07777); // keep the mode of the file we replace
    }
    ok = ok && ::fsync(fd.get()) == 0;
    if (!ok) {
        if (error) {
            *error = errnoText("cannot write", file);
        }
        fd.reset();
        ::unlink(temp.c_str());
        return false;
    }
    fd.reset();
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        if (error) {
            *error = errnoText("cannot replace", file);
        }
        ::unlink(temp.c_str());
        return false;
    }
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0) {
        (void)::fsync(dirFd.get());
    }
    return true;
}

// A symbolic link keeps pointing at the file it named; we replace the file, not the link.
fs::path resolveTarget(const fs::path& file) {
    std::error_code ec;
    if (fs::is_symlink(file, ec)) {
        const fs::path target = fs::canonical(file, ec);
        if (!ec) {
            return target;
        }
    }
    return file;
}

// The index of one version of a file: the value of the first occurrence of each key within the
// first occurrence of each section, names folded to lower-case ASCII. Reading a key is then a
// lookup instead of a scan, which matters for large files read key by key.
template <typename Char>
std::basic_string<Char> foldName(std::basic_string_view<Char> name) {
    std::basic_string<Char> out(name);
    for (Char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<Char>(c + ('a' - 'A'));
        }
    }
    return out;
}

// Section and key joined by a line break, which neither can hold.
template <typename Char>
std::basic_string<Char> indexKey(std::basic_string_view<Char> section,
                                 std::basic_string_view<Char> key) {
    return foldName(section) + Char('\n') + foldName(key);
}

template <typename Char>
std::unordered_map<std::basic_string<Char>, std::basic_string<Char>>
buildIndex(std::basic_string_view<Char> text) {
    std::unordered_map<std::basic_string<Char>, std::basic_string<Char>> values;
    std::unordered_set<std::basic_string<Char>> sections;
    std::basic_string<Char> current;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find(static_cast<Char>('\n'), pos);
        const std::size_t lineEnd = nl == std::basic_string_view<Char>::npos ? text.size() : nl;
        const auto line = text.substr(pos, lineEnd - pos);
        pos = nl == std::basic_string_view<Char>::npos ? text.size() : nl + 1;
        const auto trimmed = trim(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            auto name = trimmed.substr(1);
            const auto close = name.find(static_cast<Char>(']'));
            if (close != std::basic_string_view<Char>::npos) {
                name = name.substr(0, close);
            }
            current = foldName(trim(name));
            inSection = sections.insert(current).second; // a repeated section is ignored
        } else if (inSection && !trimmed.empty()) {
            const auto eq = line.find(static_cast<Char>('='));
            if (eq != std::basic_string_view<Char>::npos) {
                values.emplace(current + Char('\n') + foldName(trim(line.substr(0, eq))),
                               std::basic_string<Char>(trim(line.substr(eq + 1))));
            }
        }
    }
    return values;
}

struct ParsedFile {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime{};
    bool reusable = false; // old enough that an in-place change would show in its time stamp
    bool utf16 = false;
    std::unordered_map<std::string, std::string> utf8Values;
    std::unordered_map<std::u16string, std::u16string> utf16Values;
};

// The parsed files read last, checked against the file on every read: a file replaced or changed
// since is parsed again, so every read sees the file as it is now.
std::shared_ptr<const ParsedFile> parsedFile(const fs::path& file) {
    static std::mutex mutex;
    static std::list<std::pair<fs::path, std::shared_ptr<const ParsedFile>>> recent;
    constexpr std::size_t kRemembered = 8;

    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return nullptr;
    }
    {
        std::lock_guard lock(mutex);
        for (auto it = recent.begin(); it != recent.end(); ++it) {
            const ParsedFile& p = *it->second;
            if (it->first == file && p.reusable && p.device == st.st_dev && p.inode == st.st_ino &&
                p.size == st.st_size && p.mtime.tv_sec == st.st_mtim.tv_sec &&
                p.mtime.tv_nsec == st.st_mtim.tv_nsec) {
                recent.splice(recent.begin(), recent, it);
                return recent.front().second;
            }
        }
    }
    const auto bytes = readAll(file);
    if (!bytes) {
        return nullptr;
    }
    auto parsed = std::make_shared<ParsedFile>();
    parsed->device = st.st_dev;
    parsed->inode = st.st_ino;
    parsed->size = st.st_size;
    parsed->mtime = st.st_mtim;
    // Time stamps are coarse (a few milliseconds on some file systems): a file changed in place
    // just now could change again without a new stamp, so only an older one is reused.
    parsed->reusable =
        ::time(nullptr) - st.st_mtim.tv_sec > 2 && static_cast<off_t>(bytes->size()) == st.st_size;
    switch (detectEncoding(*bytes)) {
    case Encoding::Utf16Le: {
        parsed->utf16 = true;
        const std::u16string text = decodeUtf16Le(std::string_view(*bytes).substr(2));
        parsed->utf16Values = buildIndex<char16_t>(text);
        break;
    }
    case Encoding::Utf8Bom:
    case Encoding::Utf8: {
        std::string_view view(*bytes);
        if (view.starts_with(utf8Bom)) {
            view.remove_prefix(utf8Bom.size());
        }
        parsed->utf8Values = buildIndex<char>(view);
        break;
    }
    }
    std::lock_guard lock(mutex);
    recent.emplace_front(file, parsed);
    while (recent.size() > kRemembered) {
        recent.pop_back();
    }
    return parsed;
}

} // namespace

std::string readString(const fs::path& file, std::string_view section, std::string_view key,
                       std::size_t bufferSize) {
    // Names are compared as the file's lines are read: without surrounding blanks.
    section = trim(section);
    key = trim(key);
    if (bufferSize == 0) {
        return {};
    }
    const auto parsed = parsedFile(file);
    if (!parsed) {
        return {};
    }
    if (parsed->utf16) {
        const auto found = parsed->utf16Values.find(indexKey<char16_t>(
            std::u16string_view(utf8ToUtf16(section)), std::u16string_view(utf8ToUtf16(key))));
        if (found == parsed->utf16Values.end()) {
            return {};
        }
        auto units = unquote(std::u16string_view(found->second));
        if (units.size() > bufferSize - 1) {
            units = units.substr(0, bufferSize - 1);
            if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) {
                units.remove_suffix(1); // never keep half a surrogate pair
            }
        }
        return utf16ToUtf8(units);
    }
    const auto found = parsed->utf8Values.find(indexKey<char>(section, key));
    if (found == parsed->utf8Values.end()) {
        return {};
    }
    const auto text = unquote(std::string_view(found->second));
    return std::string(utf8PrefixByUtf16Units(text, bufferSize - 1));
}

bool writeStrings(const fs::path& path, std::string_view section, std::span<const KeyValue> entries,
                  std::string* error) {
    section = trim(section);
    const auto breaksLines = [](std::string_view key, std::string_view value) {
        key = trim(key);
        return hasLineBreak(key) || key.find('=') != std::string_view::npos || key.empty() ||
               hasLineBreak(value);
    };
    bool refused = hasLineBreak(section) || section.find(']') != std::string_view::npos;
    for (const auto& [key, value] : entries) {
        refused = refused || breaksLines(key, value);
    }
    if (refused) {
        if (error) {
            *error = "refusing to write a section, key or value that would break the file's lines";
        }
        return false;
    }
    const fs::path file = resolveTarget(path);
    std::lock_guard guard(writerMutex());
    Fd lock;
    bool created = false;
    if (!lockTarget(file, lock, created, error)) {
        return false;
    }
    // A write that fails must not leave behind the empty file the lock needed: readers would take
    // it for an existing file (a missing file is reported, an empty one is not).
    const auto removeIfMadeHere = [&] {
        struct stat st {};
        if (created && ::stat(file.c_str(), &st) == 0 && st.st_size == 0) {
            ::unlink(file.c_str());
        }
    };
    // Renaming over a read-only file would succeed in a writable folder; the user made it
    // read-only to keep it as it is.
    if (!created && ::access(file.c_str(), W_OK) != 0) {
        if (error) {
            *error = errnoText("cannot write", file);
        }
        return false;
    }
    const auto bytes = readAll(file);
    if (!bytes) {
        if (error) {
            *error = errnoText("cannot read", file);
        }
        removeIfMadeHere();
        return false;
    }
    std::string out;
    switch (detectEncoding(*bytes)) {
    case Encoding::Utf16Le: {
        std::u16string text = decodeUtf16Le(std::string_view(*bytes).substr(2));
        const std::u16string sectionUnits = utf8ToUtf16(section);
        for (const auto& [key, value] : entries) {
            text =
                editText<char16_t>(text, sectionUnits, utf8ToUtf16(trim(key)), utf8ToUtf16(value));
        }
        out = std::string(utf16LeBom) + encodeUtf16Le(text);
        if (bytes->size() % 2 == 1) {
            out += bytes->back(); // an odd trailing byte is not ours to drop
        }
        break;
    }
    case Encoding::Utf8Bom:
    case Encoding::Utf8: {
        std::string_view view(*bytes);
        const bool bom = view.starts_with(utf8Bom);
        if (bom) {
            view.remove_prefix(utf8Bom.size());
        }
        std::string text(view);
        for (const auto& [key, value] : entries) {
            text = editText<char>(text, std::string(section), std::string(trim(key)),
                                  std::string(value));
        }
        out = (bom ? std::string(utf8Bom) : std::string()) + text;
        break;
    }
    }
    if (!replaceFile(file, out, error)) {
        removeIfMadeHere();
        return false;
    }
    return true;
}

bool writeString(const fs::path& path, std::string_view section, std::string_view key,
                 std::string_view value, std::string* error) {
    const KeyValue entry{key, value};
    return writeStrings(path, section, std::span(&entry, 1), error);
}

} // namespace torvex::ini
