#include "sim/control_server.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace torvex::sim {
namespace {

constexpr std::size_t kMaxCommand = 256;
constexpr std::size_t kMaxReply = std::size_t{16} << 20;
constexpr int kClientTimeoutMs = 2000;

bool makeAddress(const std::filesystem::path& path, sockaddr_un& addr, std::string* error) {
    addr = {};
    addr.sun_family = AF_UNIX;
    const std::string s = path.string();
    if (s.size() >= sizeof addr.sun_path) {
        if (error) {
            *error = "socket path too long: " + s;
        }
        return false;
    }
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return true;
}

bool parseInt(const std::string& s, int& out) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && p == end;
}

// Reads one line (without its newline) within the time limit.
bool readLine(int fd, std::string& line, std::size_t maxLength) {
    line.clear();
    std::array<char, 4096> buf;
    for (;;) {
        if (const auto nl = line.find('\n'); nl != std::string::npos) {
            line.resize(nl);
            return true;
        }
        if (line.size() > maxLength) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kClientTimeoutMs) <= 0) {
            return false;
        }
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return !line.empty(); // a last line without newline still counts
        }
        line.append(buf.data(), static_cast<std::size_t>(n));
    }
}

bool writeAll(int fd, const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
        const ssize_t n = ::send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string runControlCommand(VirtualMouse& mouse, const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    if (words.empty()) {
        return "error empty command";
    }
    const std::string& verb = words[0];
    if (verb == "state" && words.size() == 1) {
        return "ok " + toJson(mouse.state());
    }
    if ((verb == "unplug" || verb == "plug") && words.size() == 1) {
        verb == "unplug" ? mouse.unplug() : mouse.plug();
        return "ok";
    }
    if (verb == "press" || verb == "release" || verb == "click") {
        int button = 0;
        if (words.size() < 2 || !parseInt(words[1], button)) {
            return "error " + verb + " needs a button number";
        }
        std::optional<int> dpi;
        if (words.size() == 4 && words[2] == "dpi" && verb != "release") {
            int level = 0;
            if (!parseInt(words[3], level)) {
                return "error bad DPI level: " + words[3];
            }
            dpi = level;
        } else if (words.size() != 2) {
            return "error unexpected arguments: " + line;
        }
        std::string why;
        bool ok = true;
        if (verb != "release") {
            ok = mouse.press(button, dpi, &why);
        }
        if (ok && verb != "press") {
            ok = mouse.release(button, &why);
        }
        return ok ? "ok" : "error " + why;
    }
    return "error unknown command: " + line;
}

VirtualMouse::ControlServer::~ControlServer() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = ::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
    if (stopFd_ >= 0) {
        ::close(stopFd_);
    }
}

bool VirtualMouse::ControlServer::start(const std::filesystem::path& socketPath,
                                        std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    sockaddr_un addr;
    if (!makeAddress(socketPath, addr, error)) {
        return false;
    }
    // A socket left by a server that is gone is replaced; a live one is not taken over.
    struct stat st {};
    if (::lstat(socketPath.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            return fail(socketPath.string() + " exists and is not a socket");
        }
        std::string ignored;
        if (sendControlCommand(socketPath.parent_path(), "state", &ignored)) {
            return fail(socketPath.string() + " is served by another virtual mouse");
        }
        ::unlink(socketPath.c_str());
    }
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (listenFd_ < 0 || stopFd_ < 0) {
        return fail(std::string("cannot create the control socket: ") + std::strerror(errno));
    }
    if (::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const std::string why = std::strerror(errno);
        ::close(listenFd_);
        listenFd_ = -1;
        return fail("cannot bind " + socketPath.string() + ": " + why);
    }
    path_ = socketPath;
    if (::chmod(socketPath.c_str(), 0600) != 0 || ::listen(listenFd_, 8) != 0) {
        return fail("cannot serve " + socketPath.string() + ": " + std::strerror(errno));
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void VirtualMouse::ControlServer::run() {
    for (;;) {
        std::array<pollfd, 2> fds{{{stopFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents & POLLIN) {
            return;
        }
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                serveClient(client);
                ::close(client);
            }
        }
    }
}

void VirtualMouse::ControlServer::serveClient(int fd) {
    std::string line;
    if (!readLine(fd, line, kMaxCommand)) {
        writeAll(fd, "error no command\n");
        return;
    }
    writeAll(fd, runControlCommand(mouse_, line) + "\n");
}

std::optional<ControlReply> sendControlCommand(const std::filesystem::path& dir,
                                               const std::string& command, std::string* error) {
    const std::filesystem::path path = dir / "control";
    auto fail = [&](const std::string& why) -> std::optional<ControlReply> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (command.find('\n') != std::string::npos) {
        return fail("a command is one line");
    }
    sockaddr_un addr;
    if (!makeAddress(path, addr, error)) {
        return std::nullopt;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return fail(std::string("cannot create a socket: ") + std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        return fail("cannot connect to " + path.string() + ": " + std::strerror(errno));
    }
    if (!writeAll(fd, command + "\n")) {
        return fail("cannot write to " + path.string());
    }
    std::string line;
    if (!readLine(fd, line, kMaxReply)) {
        return fail("no answer from " + path.string());
    }
    ControlReply reply;
    if (line == "ok") {
        reply.ok = true;
    } else if (line.rfind("ok ", 0) == 0) {
        reply.ok = true;
        reply.text = line.substr(3);
    } else if (line.rfind("error ", 0) == 0) {
        reply.text = line.substr(6);
    } else {
        return fail("unexpected answer from " + path.string() + ": " + line);
    }
    return reply;
}

} // namespace torvex::sim
