// The HID_ID property udev gives a HID device: "bus:vendor:product" in hexadecimal.
#pragma once

#include <string_view>

#include "platform/linux/LinuxHidDriver.h"

namespace zrflash::platform::linux_port {

// "0003:0000FF4D:0000F542" gives bus 3, vendor 0xFF4D, product 0xF542; false for anything else.
bool ParseHidId(std::string_view text, HidrawInfo& info);

}  // namespace zrflash::platform::linux_port
