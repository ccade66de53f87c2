// The companion programs' "TASKKILL /F /IM name.exe" lines, carried out on Linux by signalling
// the processes of that image name (native, or Windows programs under Wine).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zrflash::platform::linux_port {

struct TaskKillCommand {
    std::string image;   // zrview12.exe
    bool force = false;  // /F: SIGKILL rather than SIGTERM
};

// "TASKKILL /F /IM zrview12.exe" (switches in any order and case); nullopt for anything else.
std::optional<TaskKillCommand> ParseTaskKill(std::u16string_view commandLine);

// Signals every process but this one whose name (comm) or first argument's last path component
// (either separator, as Wine shows Windows paths) equals image, ignoring case. Does not wait for
// them to end. Returns how many were signalled.
int TerminateProcessesNamed(const std::string& image, int signal, const std::string& procRoot = "/proc");

}  // namespace zrflash::platform::linux_port
