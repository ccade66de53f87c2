// The driver's side of the test-double HID.dll's control channel (sim/windll/ControlChannel.h).
#pragma once

#include <string>

namespace zrflash::e2e {

// Puts one command into the channel folder (ZRSIM_CONTROL_DIR) and waits for its reply line;
// empty on time-out.
std::string SimCommand(const std::string& command, int timeoutMs);

}  // namespace zrflash::e2e
