// The virtual mouse's control socket (internal to the sim library).
#pragma once

#include "sim/virtual_mouse.h"

#include <filesystem>
#include <string>
#include <thread>

namespace torvex::sim {

// Answers one command per connection: the client writes one line, the server answers one line,
// "ok[ TEXT]" or "error REASON", and closes.
class VirtualMouse::ControlServer {
public:
    explicit ControlServer(VirtualMouse& mouse) : mouse_(mouse) {}
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    bool start(const std::filesystem::path& socketPath, std::string* error);

private:
    void run();
    void serveClient(int fd);
    std::string handle(const std::string& line);

    VirtualMouse& mouse_;
    std::filesystem::path path_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    std::thread thread_;
};

// Runs one control command against `mouse` and returns the reply line without its newline.
std::string runControlCommand(VirtualMouse& mouse, const std::string& line);

} // namespace torvex::sim
