#include "common/paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace torvex {
namespace fs = std::filesystem;

namespace {

bool isDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

std::optional<fs::path> absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt; // relative XDG values are to be ignored
    }
    return fs::path(value);
}

} // namespace

const std::vector<std::string>& seededFileNames() {
    static const std::vector<std::string> names{"config.ini", "Macro_CN.dat", "Macro_EN.dat",
                                                "constMacro.dat"};
    return names;
}

AppPaths resolvePaths(const PathOptions& options) {
    AppPaths paths;
    const fs::path besideExe = options.exeDir / ".." / "share" / "torvex";
    if (!options.exeDir.empty() && isDir(besideExe)) {
        paths.factoryDir = besideExe.lexically_normal();
    } else if (!options.compiledDataDir.empty() && isDir(options.compiledDataDir)) {
        paths.factoryDir = options.compiledDataDir;
    }

    if (options.home) {
        paths.appDir = *options.home;
    } else if (!options.exeDir.empty() && isFile(options.exeDir / "config.ini")) {
        paths.appDir = options.exeDir;
        paths.portable = true;
    } else if (options.xdgConfigHome) {
        paths.appDir = *options.xdgConfigHome / "torvex";
    } else if (options.userHome) {
        paths.appDir = *options.userHome / ".config" / "torvex";
    } else {
        paths.appDir = fs::path(".config") / "torvex";
    }

    if (isDir(paths.appDir / "skins") || paths.factoryDir.empty()) {
        paths.skinDir = paths.appDir / "skins";
    } else {
        paths.skinDir = paths.factoryDir / "skins";
    }
    return paths;
}

PathOptions currentPathOptions(std::optional<fs::path> home) {
    PathOptions options;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        options.exeDir = exe.parent_path();
    }
    if (home) {
        options.home = fs::absolute(*home, ec);
    }
    options.xdgConfigHome = absoluteEnv("XDG_CONFIG_HOME");
    options.userHome = absoluteEnv("HOME");
#ifdef TORVEX_DATADIR
    options.compiledDataDir = TORVEX_DATADIR;
#endif
    return options;
}

bool seedUserFolder(const AppPaths& paths, std::string* error) {
    std::error_code ec;
    fs::create_directories(paths.appDir, ec);
    if (ec || !isDir(paths.appDir)) {
        if (error) {
            *error = "cannot create the folder " + paths.appDir.string() + ": " +
                     (ec ? ec.message() : "not a folder");
        }
        return false;
    }
    if (paths.factoryDir.empty() || paths.portable) {
        return true;
    }
    for (const auto& name : seededFileNames()) {
        const fs::path from = paths.factoryDir / name;
        const fs::path to = paths.appDir / name;
        // Anything already there is the user's, even if damaged: never replace it.
        if (fs::symlink_status(to, ec).type() != fs::file_type::not_found || !isFile(from)) {
            continue;
        }
        fs::copy_file(from, to, fs::copy_options::none, ec);
        if (ec) {
            if (error) {
                *error =
                    "cannot copy " + from.string() + " to " + to.string() + ": " + ec.message();
            }
            return false;
        }
        // Factory files may be read-only in the prefix; the user's copies must be writable.
        fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        ec);
    }
    return true;
}

std::optional<std::string> unusableFileReason(const fs::path& file) {
    std::error_code ec;
    const auto status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) {
        return std::nullopt;
    }
    if (status.type() == fs::file_type::directory) {
        return file.string() + " is a folder, not a file";
    }
    if (ec || status.type() != fs::file_type::regular) {
        return file.string() + " is not a regular file";
    }
    if (::access(file.c_str(), R_OK) != 0) {
        return file.string() + " cannot be read: " + std::strerror(errno);
    }
    return std::nullopt;
}

} // namespace torvex
