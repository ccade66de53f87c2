// The HID layer's one error class, raised only where a device object cannot be created.
#pragma once

#include <stdexcept>
#include <string>

namespace zrflash::hid {

inline constexpr const char* kDeviceCannotBeOpened = "Device cannot be opened";
inline constexpr const char* kDeviceCannotBeIdentified = "Device cannot be identified";

class EControllerError : public std::runtime_error {
public:
    explicit EControllerError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace zrflash::hid
