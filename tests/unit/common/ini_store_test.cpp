#include "common/ini_store.h"
#include "support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace torvex::ini {
namespace {
namespace fs = std::filesystem;

class IniStore : public ::testing::Test {
protected:
    // Reachable for the unprivileged user inChild() switches to when we run as root.
    void SetUp() override { ::chmod(dir_.c_str(), 0755); }
    // Some tests take the write permission away; removing the folder needs it back.
    void TearDown() override { ::chmod(dir_.c_str(), 0755); }

    void put(const std::string& bytes) const { put(file_, bytes); }
    static void put(const fs::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::string contents() const { return contents(file_); }
    static std::string contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) {
            if (e.path() != file_) {
                names.push_back(e.path().filename().string());
            }
        }
        return names;
    }

    testing::TempDir tmp_{"torvex-ini"};
    const fs::path dir_ = tmp_.path();
    const fs::path file_ = dir_ / "config.ini";
};

TEST_F(IniStore, ReadsWithProfileStringRules) {
    put("; a comment\n"
        "[Init]\n"
        "CurConfig=3\n"
        "[config1]\n"
        "  k0 =  12345  \n"
        "K1=\"quoted\"\n"
        "K2='x'\n"
        "K3=\"unbalanced\n"
        "Empty=\n"
        "NoEquals\n"
        "Name=宏编程\xF0\x9F\x98\x80!\n"
        "[Config1]\n"
        "K0=ignored, the first section wins\n"
        "K4=also ignored\n");
    const struct {
        const char* section;
        const char* key;
        std::size_t buffer;
        const char* expected;
    } cases[] = {
        {"Init", "CurConfig", 5, "3"},
        {"INIT", "curconfig", 5, "3"}, // names match without case
        {"Config1", "K0", 5, "1234"},  // cut to buffer - 1, blanks trimmed
        {"Config1", "K0", 10, "12345"},
        {"Config1", "K0", 1, ""},
        {"Config1", "K0", 0, ""},
        {"Config1", "K1", 20, "quoted"}, // one pair of enclosing quotes goes
        {"Config1", "K2", 20, "x"},
        {"Config1", "K3", 20, "\"unbalanced"},
        {"Config1", "Empty", 20, ""},
        {"Config1", "NoEquals", 20, ""},
        {"Config1", "K4", 20, ""},        // only in the ignored duplicate section
        {"Config1", "Name", 4, "宏编程"}, // counted in UTF-16 units
        {"Config1", "Name", 5, "宏编程"}, // the pair does not fit in one unit
        {"Config1", "Name", 6, "宏编程\xF0\x9F\x98\x80"},
        {"Config2", "K0", 5, ""},   // missing section
        {"Init", "Missing", 5, ""}, // missing key
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readString(file_, c.section, c.key, c.buffer), c.expected)
            << c.section << '.' << c.key << '/' << c.buffer;
    }
    EXPECT_EQ(readString(dir_ / "absent.ini", "Init", "CurConfig", 5), "");
    EXPECT_EQ(readString(dir_, "Init", "CurConfig", 5), ""); // a folder reads as nothing
}

TEST_F(IniStore, ReadsSeeEveryChangeOfTheFileHoweverItIsMade) {
    const auto age = [&](int hours) {
        fs::last_write_time(file_, fs::file_time_type::clock::now() - std::chrono::hours(hours));
    };
    put("[A]\nk=1\n");
    age(3); // old files are the ones whose parsed form is kept between reads
    EXPECT_EQ(readString(file_, "A", "k", 5), "1");
    EXPECT_EQ(readString(file_, "A", "k", 5), "1");

    put("[A]\nk=2\n"); // in place, same size, an old time stamp again
    age(2);
    EXPECT_EQ(readString(file_, "A", "k", 5), "2");

    const fs::path other = dir_ / "other.ini";
    put(other, "[A]\nk=3\n");
    fs::rename(other, file_); // replaced by another file
    age(2);
    EXPECT_EQ(readString(file_, "A", "k", 5), "3");

    ASSERT_TRUE(writeString(file_, "A", "k", "4"));
    EXPECT_EQ(readString(file_, "A", "k", 5), "4");
    fs::remove(file_);
    EXPECT_EQ(readString(file_, "A", "k", 5), "");
}

TEST_F(IniStore, ReadsUtf8WithBomAndUtf16Le) {
    put("\xEF\xBB\xBF[Macros]\r\nmacroNum=2\r\n");
    EXPECT_EQ(readString(file_, "Macros", "macroNum", 3), "2");

    const std::u16string text = u"[Init]\r\nVER_SEL=1\r\nTitle=鼠标\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    put(bytes);
    EXPECT_EQ(readString(file_, "init", "ver_sel", 5), "1");
    EXPECT_EQ(readString(file_, "Init", "Title", 10), "鼠标");
    EXPECT_EQ(readString(file_, "Init", "Title", 2), "鼠");

    ASSERT_TRUE(writeString(file_, "Init", "VER_SEL", "0"));
    ASSERT_TRUE(writeString(file_, "New", "Key", "值"));
    const std::u16string expected = u"[Init]\r\nVER_SEL=0\r\nTitle=鼠标\r\n[New]\r\nKey=值\r\n";
    std::string expectedBytes = "\xFF\xFE";
    for (char16_t u : expected) {
        expectedBytes += static_cast<char>(u & 0xFF);
        expectedBytes += static_cast<char>(u >> 8);
    }
    EXPECT_EQ(contents(), expectedBytes); // stays UTF-16LE with its BOM and CRLF
}

TEST_F(IniStore, NamesBeyondAsciiMatchInEveryEncoding) {
    const std::string utf16Bom = "\xFF\xFE";
    for (const std::string& start : {std::string(), utf16Bom}) {
        put(start);
        ASSERT_TRUE(writeString(file_, "配置", "名前\xFF", "1"));
        ASSERT_TRUE(writeString(file_, "配置", "名前\xFF", "2")); // found again, not appended
        EXPECT_EQ(readString(file_, "配置", "名前\xFF", 10), "2");
        EXPECT_EQ(readString(file_, "配置", "名前", 10), "");
    }
    put("[A]\nk\xE9=1\n"); // Latin-1 bytes in a UTF-8 file still name their key
    EXPECT_EQ(readString(file_, "a", "k\xE9", 10), "1");
}

TEST_F(IniStore, WriteChangesOnlyTheKeyWritten) {
    const std::string original = "; torvex settings, edited by hand\r\n"
                                 "\r\n"
                                 "[Init]\r\n"
                                 "CurConfig=1\r\n"
                                 "VER_SEL=0\r\n"
                                 "\r\n"
                                 "[Config1]\r\n"
                                 "  K0 = 1\r\n"
                                 "# not a key\r\n"
                                 "Unknown=kept\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "K0=7";
    put(original);

    ASSERT_TRUE(writeString(file_, "config1", "k0", "42"));
    std::string expected = original;
    expected.replace(expected.find("  K0 = 1"), 8,
                     "  K0=42"); // key kept as spelled, value replaced
    EXPECT_EQ(contents(), expected);

    ASSERT_TRUE(
        writeString(file_, "Config1", "K1", "5")); // appended to its section, before the gap
    expected.insert(expected.find("Unknown=kept\r\n") + 14, "K1=5\r\n");
    EXPECT_EQ(contents(), expected);

    ASSERT_TRUE(writeString(file_, "Other", "K1", "8")); // section at end of file without a newline
    expected += "\r\nK1=8\r\n";
    EXPECT_EQ(contents(), expected);

    ASSERT_TRUE(writeString(file_, "Config7", "K0", "1")); // new section at the end
    expected += "[Config7]\r\nK0=1\r\n";
    EXPECT_EQ(contents(), expected);

    EXPECT_EQ(readString(file_, "Other", "K0", 5), "7");
    EXPECT_TRUE(strayFiles().empty()) << strayFiles().front();
}

TEST_F(IniStore, CreatesFileAndSectionsAndKeepsUtf8Bom) {
    ASSERT_TRUE(writeString(file_, "Init", "CurConfig", "0"));
    ASSERT_TRUE(writeString(file_, "Config6", "K0", "1"));
    ASSERT_TRUE(writeString(file_, "Init", "VER_SEL", "1"));
    EXPECT_EQ(contents(), "[Init]\nCurConfig=0\nVER_SEL=1\n[Config6]\nK0=1\n");

    put("\xEF\xBB\xBF[A]\nx=1\n");
    ASSERT_TRUE(writeString(file_, "A", "x", "名前"));
    EXPECT_EQ(contents(), "\xEF\xBB\xBF[A]\nx=名前\n");
}

TEST_F(IniStore, ABatchWritesLikeSingleWritesInOrder) {
    const std::string original = "[Config1]\r\nK0=1\r\n\r\n[Init]\r\nCurConfig=1\r\n";
    put(original);
    const KeyValue entries[] = {{"K1", "2"}, {"k0", "9"}, {"K1", "3"}, {"FIRE_TIME", "50"}};
    ASSERT_TRUE(writeStrings(file_, "Config1", entries));
    const std::string batched = contents();

    put(original);
    for (const auto& [key, value] : entries) {
        ASSERT_TRUE(writeString(file_, "Config1", key, value));
    }
    EXPECT_EQ(contents(), batched);
    EXPECT_EQ(batched,
              "[Config1]\r\nK0=9\r\nK1=3\r\nFIRE_TIME=50\r\n\r\n[Init]\r\nCurConfig=1\r\n");

    // One bad entry refuses the whole batch.
    const KeyValue bad[] = {{"K2", "1"}, {"K3", "x\ny"}};
    EXPECT_FALSE(writeStrings(file_, "Config1", bad));
    EXPECT_EQ(contents(), batched);
}

TEST_F(IniStore, NamesAreTakenWithoutSurroundingBlanks) {
    ASSERT_TRUE(writeString(file_, " Init\t", "Key\f", "1"));
    ASSERT_TRUE(writeString(file_, "Init", " Key", "2")); // the same key, not a second one
    EXPECT_EQ(contents(), "[Init]\nKey=2\n");
    EXPECT_EQ(readString(file_, "Init ", "\vKey", 5), "2");
}

TEST_F(IniStore, RefusesTextThatWouldBreakTheFile) {
    put("[A]\nx=1\n");
    std::string error;
    EXPECT_FALSE(writeString(file_, "A", "x", "1\n[B]", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writeString(file_, "A]", "x", "1"));
    EXPECT_FALSE(writeString(file_, "A", "x=y", "1"));
    EXPECT_FALSE(writeString(file_, "A", " ", "1"));
    EXPECT_EQ(contents(), "[A]\nx=1\n");
}

TEST_F(IniStore, SurvivesGarbageAndHugeLines) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 131 + 7) % 256);
    }
    const std::string longLine(200000, 'x');
    put(garbage + "\n[S]\nk=" + longLine + "\n" + garbage);
    EXPECT_EQ(readString(file_, "S", "k", 10), "xxxxxxxxx");
    EXPECT_EQ(readString(file_, "S", "k", 300000).size(), longLine.size());
    ASSERT_TRUE(writeString(file_, "S", "k", "short"));
    EXPECT_EQ(contents(), garbage + "\n[S]\nk=short\n" + garbage);
}

TEST_F(IniStore, WritesThroughASymlinkAndKeepsTheFileMode) {
    const fs::path real = dir_ / "real.ini";
    put(real, "[A]\nx=1\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, file_);
    ASSERT_TRUE(writeString(file_, "A", "x", "2"));
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(contents(real), "[A]\nx=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Runs `body` in a child process, as an unprivileged user when we are root (root ignores
// permissions), and returns the child's exit status.
template <typename Body>
int inChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(99);
        }
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST_F(IniStore, FailedWritesLeaveTheOldFileIntact) {
    const std::string original = "[Init]\nCurConfig=1\n";
    put(original);
    ::chmod(file_.c_str(), 0666);

    // A read-only folder: no temporary file can be made there.
    ::chmod(dir_.c_str(), 0555);
    EXPECT_EQ(inChild([&] {
                  std::string error;
                  const bool ok = writeString(file_, "Init", "CurConfig", "2", &error);
                  return !ok && !error.empty() ? 0 : 1;
              }),
              0);
    ::chmod(dir_.c_str(), 0777);

    // The file system refuses the bytes half way (a file-size limit stands in for a full disk).
    const auto writeFailsWhenFull = [&](const fs::path& file) {
        return inChild([&] {
                   std::signal(SIGXFSZ, SIG_IGN);
                   const rlimit limit{8, 8};
                   ::setrlimit(RLIMIT_FSIZE, &limit);
                   return writeString(file, "Init", "CurConfig", "12345678901") ? 1 : 0;
               }) == 0;
    };
    EXPECT_TRUE(writeFailsWhenFull(file_));
    EXPECT_EQ(contents(), original);
    EXPECT_TRUE(strayFiles().empty()) << strayFiles().front();

    // The same failure on a file that did not exist leaves no file: an empty one would pass
    // for an existing file, and its absence would no longer be reported.
    const fs::path fresh = dir_ / "Macro_CN.dat";
    EXPECT_TRUE(writeFailsWhenFull(fresh));
    EXPECT_FALSE(fs::exists(fresh));

    // A read-only file in a writable folder is refused, not replaced.
    ::chmod(file_.c_str(), 0444);
    EXPECT_EQ(inChild([&] {
                  std::string error;
                  const bool ok = writeString(file_, "Init", "CurConfig", "2", &error);
                  return !ok && error.find("cannot write") != std::string::npos ? 0 : 1;
              }),
              0);
    ::chmod(file_.c_str(), 0666);
    EXPECT_EQ(contents(), original);

    std::string error;
    EXPECT_FALSE(writeString(dir_ / "missing" / "config.ini", "A", "b", "c", &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(writeString(dir_, "A", "b", "c", &error)); // a folder is not a file
}

TEST_F(IniStore, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    // Every version of the file holds the same number in all its keys; a mix of two versions
    // would show two numbers.
    constexpr int keys = 23;
    const auto version = [&](int v) {
        std::vector<std::string> names, values;
        for (int k = 0; k < keys; ++k) {
            names.push_back("KEY" + std::to_string(k));
            values.push_back(std::to_string(v));
        }
        std::vector<KeyValue> entries;
        for (int k = 0; k < keys; ++k) {
            entries.emplace_back(names[static_cast<std::size_t>(k)],
                                 values[static_cast<std::size_t>(k)]);
        }
        return writeStrings(file_, "Config1", entries);
    };
    ASSERT_TRUE(version(0));
    for (int round = 0; round < 12; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int v = 1;; ++v) {
                version(v);
            }
        }
        ::usleep(static_cast<useconds_t>(3000 + round * 1700)); // somewhere inside a write
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::string first = readString(file_, "Config1", "KEY0", 16);
        ASSERT_FALSE(first.empty());
        for (int k = 1; k < keys; ++k) {
            ASSERT_EQ(readString(file_, "Config1", "KEY" + std::to_string(k), 16), first)
                << "round " << round << ", key " << k;
        }
    }
    // The next write clears what the killed writers left behind.
    ASSERT_TRUE(version(99));
    EXPECT_TRUE(strayFiles().empty()) << strayFiles().front();
}

TEST_F(IniStore, ConcurrentWritersOfDifferentKeysLoseNothing) {
    put("[Init]\nCurConfig=1\n");
    constexpr int processes = 3;
    constexpr int threads = 2;
    constexpr int keys = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::vector<std::thread> workers;
            bool ok = true;
            for (int t = 0; t < threads; ++t) {
                workers.emplace_back([&, t] {
                    for (int k = 0; k < keys; ++k) {
                        const std::string key = "P" + std::to_string(p) + "T" + std::to_string(t) +
                                                "K" + std::to_string(k);
                        if (!writeString(file_, "Config" + std::to_string(k % 3), key,
                                         std::to_string(k))) {
                            ok = false;
                        }
                    }
                });
            }
            for (auto& w : workers) {
                w.join();
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int p = 0; p < processes; ++p) {
        for (int t = 0; t < threads; ++t) {
            for (int k = 0; k < keys; ++k) {
                const std::string key =
                    "P" + std::to_string(p) + "T" + std::to_string(t) + "K" + std::to_string(k);
                EXPECT_EQ(readString(file_, "Config" + std::to_string(k % 3), key, 10),
                          std::to_string(k))
                    << key;
            }
        }
    }
    EXPECT_EQ(readString(file_, "Init", "CurConfig", 5), "1");
    EXPECT_TRUE(strayFiles().empty()) << strayFiles().front();
}

} // namespace
} // namespace torvex::ini
