// Where the user's documents live on a Linux desktop, by the XDG user-directories convention.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zrflash::platform::linux_port {

// The XDG_DOCUMENTS_DIR line of a user-dirs.dirs file: "$HOME/Dokumente" or an absolute path
// in double quotes; nullopt when the file has no usable line.
std::optional<std::string> DocumentsFromUserDirs(std::string_view contents, const std::string& home);

// The value of an environment variable; empty when it is not set.
using Environment = std::function<std::string(const char* name)>;
std::string ProcessEnvironment(const char* name);

// $XDG_DOCUMENTS_DIR, else user-dirs.dirs in $XDG_CONFIG_HOME (or ~/.config), else ~/Documents;
// empty when not even the home folder is known.
std::string DocumentsFolderPath(const Environment& environment);

}  // namespace zrflash::platform::linux_port
