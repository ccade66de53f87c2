// The companion programs' "TASKKILL /F /IM name.exe" lines, carried out on Linux by signalling
// the processes of that image name (native, or Windows programs under Wine).
#include "platform/linux/ProcessTermination.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "platform/linux/Utf.h"

namespace zrflash::platform::linux_port {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string ReadSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    std::getline(in, text, '\0');
    return text;
}

std::string LastComponent(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

std::optional<TaskKillCommand> ParseTaskKill(std::u16string_view commandLine) {
    std::istringstream words(Utf16ToUtf8(commandLine));
    std::vector<std::string> tokens{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    if (tokens.empty() || Lower(tokens[0]) != "taskkill") return std::nullopt;
    TaskKillCommand command;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string token = Lower(tokens[i]);
        if (token == "/f") {
            command.force = true;
        } else if (token == "/im" && i + 1 < tokens.size()) {
            command.image = tokens[++i];
        } else {
            return std::nullopt;
        }
    }
    if (command.image.empty()) return std::nullopt;
    return command;
}

int TerminateProcessesNamed(const std::string& image, int signal, const std::string& procRoot) {
    const std::string wanted = Lower(image);
    const pid_t self = ::getpid();
    int signalled = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(procRoot, error)) {
        const std::string name = entry.path().filename().string();
        pid_t pid = 0;
        const auto [end, parseError] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (parseError != std::errc() || end != name.data() + name.size() || pid <= 0 || pid == self) continue;
        std::string comm = ReadSmallFile(entry.path() / "comm");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        const std::string first = LastComponent(ReadSmallFile(entry.path() / "cmdline"));
        if (Lower(comm) != wanted && Lower(first) != wanted) continue;
        // A process that ended meanwhile or belongs to someone else is left alone, unreported.
        if (::kill(pid, signal) == 0) ++signalled;
    }
    return signalled;
}

}  // namespace zrflash::platform::linux_port
