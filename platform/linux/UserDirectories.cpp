// Where the user's documents live on a Linux desktop, by the XDG user-directories convention.
#include "platform/linux/UserDirectories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace zrflash::platform::linux_port {
namespace {

std::string HomeFolder(const Environment& environment) {
    std::string home = environment("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        home = found->pw_dir;
    }
    return home;
}

}  // namespace

std::string ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::optional<std::string> DocumentsFromUserDirs(std::string_view contents, const std::string& home) {
    std::istringstream lines{std::string(contents)};
    std::optional<std::string> found;
    for (std::string line; std::getline(lines, line);) {
        constexpr std::string_view key = "XDG_DOCUMENTS_DIR=\"";
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value;
        bool closed = false;
        for (std::size_t i = start + key.size(); i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value.push_back(line[++i]);
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value.push_back(line[i]);
            }
        }
        if (!closed) continue;
        constexpr std::string_view homeVariable = "$HOME";
        if (value.compare(0, homeVariable.size(), homeVariable) == 0 &&
            (value.size() == homeVariable.size() || value[homeVariable.size()] == '/')) {
            value = home + value.substr(homeVariable.size());
        } else if (value.empty() || value.front() != '/') {
            continue;  // the convention allows only these two forms
        }
        found = value;  // the last line wins, as when the file is sourced by a shell
    }
    return found;
}

std::string DocumentsFolderPath(const Environment& environment) {
    std::string folder = environment("XDG_DOCUMENTS_DIR");
    const std::string home = HomeFolder(environment);
    if (folder.empty() && !home.empty()) {
        std::string config = environment("XDG_CONFIG_HOME");
        if (config.empty()) config = home + "/.config";
        std::ifstream file(config + "/user-dirs.dirs");
        std::stringstream contents;
        contents << file.rdbuf();
        if (auto fromFile = DocumentsFromUserDirs(contents.str(), home)) folder = *fromFile;
    }
    if (folder.empty() && !home.empty()) folder = home + "/Documents";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace zrflash::platform::linux_port
